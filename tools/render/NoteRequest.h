#pragma once

#include <string_view>

namespace tonewell::render {

// One note of the command line, "TIME:NOTE:VELOCITY:DURATION": start and length
// in seconds, MIDI note number 0..127, velocity 1..127.
struct NoteRequest {
    double startSeconds = 0.0;
    int note = 60;
    int velocity = 100;
    double durationSeconds = 1.0;

    // Throws RenderError naming the offending field.
    static NoteRequest Parse(std::string_view text);
};

} // namespace tonewell::render
