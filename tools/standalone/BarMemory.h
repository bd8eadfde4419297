#pragma once

#include <string>

namespace tonewell::standalone {

// What the window's bar keeps for the next start beside the saved state, in
// a small text file ("program=", "volume=" lines): the program the list
// shows (the saved state holds the values, not which program they came
// from) and the master volume. A file that is missing or damaged gives the
// defaults for what it lacks.
struct BarMemory {
    // -1: no program shown.
    int program = -1;
    float volume = 1.f;

    // bar.txt in the folder of the state file.
    static std::string PathBeside(const std::string& statePath);
    // Programs outside 0..programCount-1 are left out.
    static BarMemory Load(const std::string& path, int programCount);
    // Through a temporary file, so a crash never leaves half a file. Throws
    // PlayError when it cannot.
    static void Save(const BarMemory& memory, const std::string& path);
};

} // namespace tonewell::standalone
