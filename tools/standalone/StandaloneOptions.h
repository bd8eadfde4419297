#pragma once

#include <ParameterAssignment.h>
#include <optional>
#include <string>
#include <vector>

#include "AudioApi.h"

namespace tonewell::standalone {

// The command line of the tonewell program, checked as far as it can be
// without the plug-in and the audio device.
struct StandaloneOptions {
    std::string modulePath;
    bool noWindow = false;
    bool listDevices = false;
    bool listMidi = false;
    bool listPrograms = false;
    bool listParams = false;
    std::optional<std::string> preset;
    std::optional<std::string> program;
    std::vector<render::ParameterAssignment> assignments;
    std::optional<std::string> sessionPath;
    // SBaGen tone specs played from the start without end, as a session.
    std::optional<std::string> tones;
    // Plays the session again and again until stopped.
    bool loop = false;
    // Session time to start playing at.
    std::optional<double> fromSeconds;
    // Playing time; none plays until stopped (or for the session's length);
    // with a session, its first seconds.
    std::optional<double> seconds;
    // The sleep timer: fade out over the last ten seconds and stop.
    std::optional<double> sleepSeconds;
    std::optional<unsigned int> device;
    std::optional<unsigned int> midiPort;
    unsigned int sampleRate = 48000;
    unsigned int bufferFrames = DefaultBufferFrames();
    // --device, --rate or --buffer was given: the window then does not use
    // the output chosen last time.
    bool outputGiven = false;

    std::optional<std::string> helpText;

    static constexpr unsigned int kMinRate = 8000;
    static constexpr unsigned int kMaxRate = 384000;
    static constexpr unsigned int kMaxBuffer = 8192;

    // Throws PlayError with a one-line message on any bad input.
    static StandaloneOptions Parse(int argc, const char* const* argv,
                                   const std::string& defaultModulePath);
};

} // namespace tonewell::standalone
