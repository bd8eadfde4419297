#include "ParameterAssignment.h"

#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {

ParameterAssignment ParameterAssignment::Parse(std::string_view text) {
    const std::size_t equals = text.find('=');
    const std::string quoted = "--set \"" + std::string(text) + "\"";
    if (equals == std::string_view::npos) throw RenderError(quoted + ": expected Name=value");
    ParameterAssignment assignment;
    assignment.name = std::string(Trim(text.substr(0, equals)));
    assignment.value = std::string(Trim(text.substr(equals + 1)));
    if (assignment.name.empty()) throw RenderError(quoted + ": the parameter name is missing");
    if (assignment.value.empty()) throw RenderError(quoted + ": the value is missing");
    return assignment;
}

} // namespace tonewell::render
