#pragma once

#include <stdexcept>
#include <string>

namespace tonewell::render {

// A problem with the user's input or environment. Its message is one line that
// names the problem; main prints it and exits with a non-zero status.
class RenderError : public std::runtime_error {
public:
    explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tonewell::render
