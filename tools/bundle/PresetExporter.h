#pragma once

#include <string>
#include <vector>

#include "PluginModule.h"

namespace tonewell::bundle {

// The factory programs of a module's first class as .vstpreset files: each
// program is selected through the program-change parameter, as a host does,
// and the component state the plug-in then reports is saved.
class PresetExporter {
public:
    // Writes one file per factory program into folder (created if needed;
    // .vstpreset files already there are removed first) and returns the file
    // names in program order. Throws ExportError on failure.
    static std::vector<std::string> WriteAll(hostkit::PluginModule& module,
                                             const std::string& folder);

    // Whether a program-list entry is a factory program: the core frames the
    // default program and the free slots in dashes ("---- default ----",
    // "- 126 -").
    static bool IsFactoryProgram(const std::string& name);
    // A file name for the program: characters that Windows, macOS or Linux
    // refuse in names become '_', trailing dots and spaces are dropped and
    // names the system reserves (CON, NUL, ...) get a leading '_'.
    static std::string FileNameFor(const std::string& programName);
};

} // namespace tonewell::bundle
