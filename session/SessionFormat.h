#pragma once

#include <string>

namespace tonewell::session {

// Which of the two session formats a file is in, decided the same way by
// every program that plays sessions.
class SessionFormat {
public:
    // SBaGen's format: a name ending in ".sbg" (in any case), or text that
    // reads as SBaGen's rather than Tonewell's own format. A file that cannot
    // be read counts as Tonewell's, whose reader then says what is wrong.
    static bool IsSbagen(const std::string& path);
};

} // namespace tonewell::session
