#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AudioApi.h"

namespace tonewell::standalone {

// The audio output chosen in the window's bar, kept for the next start in a
// small text file beside the saved state ("device=", "rate=", "buffer="
// lines). A file that is missing, damaged or out of range gives the
// defaults for what it lacks.
class OutputSettings {
public:
    struct Choice {
        // The device's name as the system lists it; empty for its default.
        std::string device;
        unsigned int rate = 48000;
        unsigned int buffer = DefaultBufferFrames();
    };

    // The buffer sizes the bar offers.
    static const std::vector<unsigned int>& BufferSizes();
    // output.txt in the folder of the state file.
    static std::string PathBeside(const std::string& statePath);
    // None when the file cannot be read.
    static std::optional<Choice> Load(const std::string& path);
    // Durably: a crash or a power loss never leaves half a file. Throws
    // PlayError when it cannot.
    static void Save(const Choice& choice, const std::string& path);
};

} // namespace tonewell::standalone
