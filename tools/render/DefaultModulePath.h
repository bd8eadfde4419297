#pragma once

#include <string>
#include <vector>

namespace tonewell::render {

// Where the Tonewell module may be, in the order they are tried: the bundle
// beside this program (a build tree or an unpacked archive), the one of the
// installation prefix (../lib/vst3 from the program's folder, as a package
// installs it), then the user's and the system's VST 3 folders.
std::vector<std::string> ModuleCandidates(const std::string& executableFolder,
                                          const char* home);

// The first candidate that exists; the one beside this program when none
// does (so that the error names it). The executable's folder comes from
// /proc/self/exe; paths are relative to the working folder when it cannot be
// located.
std::string DefaultModulePath();

} // namespace tonewell::render
