#pragma once

#include <string>
#include <string_view>

namespace tonewell::render {

// A "Name=value" pair of the command line, not yet checked against the plug-in.
struct ParameterAssignment {
    std::string name;
    std::string value;

    // Throws RenderError when the text has no '=' or an empty side.
    static ParameterAssignment Parse(std::string_view text);
};

} // namespace tonewell::render
