#pragma once

#include <optional>
#include <string>

namespace tonewell::hostkit {
class PluginInstance;
}

namespace tonewell::standalone {

// The instrument's state in VST 3 preset files: a preset chosen on the
// command line, and the state the window leaves behind for the next start.
// Both go to the component and then, as a host does, to the controller, so
// the editor shows what plays. Call them while the instance is not processing.
class SavedState {
public:
    // Throws PlayError naming the file and what is wrong with it.
    static void LoadPreset(hostkit::PluginInstance& instance, const std::string& path);
    // Writes the instance's state to `path` (its folder made when missing)
    // durably: a crash or a power loss never leaves half a file. Throws
    // PlayError when it cannot.
    static void Save(hostkit::PluginInstance& instance, const std::string& path);
    // Where the window keeps its state: last.vstpreset in the user's
    // configuration folder (tonewell/ in XDG's on Linux, Kestrin\Tonewell\ in
    // the roaming application data on Windows); none when the system names
    // no such folder.
    static std::optional<std::string> DefaultPath();
};

} // namespace tonewell::standalone
