#include "NoteRequest.h"

#include <string>
#include <vector>

#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {

namespace {

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos) return fields;
        start = colon + 1;
    }
}

} // namespace

NoteRequest NoteRequest::Parse(std::string_view text) {
    const std::string quoted = "--note \"" + std::string(text) + "\"";
    const auto fields = SplitFields(text);
    if (fields.size() != 4) throw RenderError(quoted + ": expected TIME:NOTE:VELOCITY:DURATION");

    NoteRequest request;
    const auto start = ParseNumber(fields[0]);
    if (!start || *start < 0.0)
        throw RenderError(quoted + ": start time must be a number of seconds, 0 or more");
    const auto note = ParseInteger(fields[1]);
    if (!note || *note < 0 || *note > 127)
        throw RenderError(quoted + ": note must be a MIDI note number from 0 to 127");
    const auto velocity = ParseInteger(fields[2]);
    if (!velocity || *velocity < 1 || *velocity > 127)
        throw RenderError(quoted + ": velocity must be a whole number from 1 to 127");
    const auto duration = ParseNumber(fields[3]);
    if (!duration || *duration <= 0.0)
        throw RenderError(quoted + ": duration must be a number of seconds above 0");

    request.startSeconds = *start;
    request.note = static_cast<int>(*note);
    request.velocity = static_cast<int>(*velocity);
    request.durationSeconds = *duration;
    return request;
}

} // namespace tonewell::render
