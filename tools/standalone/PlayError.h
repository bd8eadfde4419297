#pragma once

#include <stdexcept>
#include <string>

namespace tonewell::standalone {

// A problem with the audio device or the command line that stops the
// program; its message is one line for the user.
class PlayError : public std::runtime_error {
public:
    explicit PlayError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tonewell::standalone
