#include "SavedState.h"

namespace tonewell::standalone {

// The state is the window's to keep, and Windows has no window yet.
std::optional<std::string> SavedState::DefaultPath() {
    return std::nullopt;
}

} // namespace tonewell::standalone
