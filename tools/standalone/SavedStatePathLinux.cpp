#include <cstdlib>

#include "SavedState.h"

namespace tonewell::standalone {

// The XDG configuration folder: $XDG_CONFIG_HOME when it is absolute, else
// ~/.config.
std::optional<std::string> SavedState::DefaultPath() {
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    else
        return std::nullopt;
    return folder + "/tonewell/last.vstpreset";
}

} // namespace tonewell::standalone
