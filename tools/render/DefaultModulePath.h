#pragma once

#include <string>
#include <vector>

namespace tonewell::render {

// Where the Tonewell module may be, in the order they are tried. On Linux:
// the bundle beside this program (a build tree or an unpacked archive), the
// one of the installation prefix (../lib/vst3 from the program's folder, as a
// package installs it), then the user's (`home`) and the system's VST 3
// folders. On Windows: the bundle beside this program, then the one in the
// system's VST 3 folder under `home`, the Common Files folder.
std::vector<std::string> ModuleCandidates(const std::string& executableFolder, const char* home);

// The first candidate that exists; the one beside this program when none
// does (so that the error names it). Paths are relative to the working
// folder when the program's own folder cannot be found.
std::string DefaultModulePath();

} // namespace tonewell::render
