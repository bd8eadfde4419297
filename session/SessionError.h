#pragma once

#include <stdexcept>
#include <string>

namespace tonewell::session {

// A mistake in a session or a tone-set: one line, "file:line:col: what was
// expected" when it points into a file.
class SessionError : public std::runtime_error {
public:
    explicit SessionError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tonewell::session
