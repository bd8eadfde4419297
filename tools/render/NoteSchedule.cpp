#include "NoteSchedule.h"

#include <NoteEventList.h>
#include <algorithm>
#include <cmath>

#include "RenderError.h"

namespace tonewell::render {

NoteSchedule::NoteSchedule(const std::vector<NoteRequest>& notes, int sampleRate) {
    for (const auto& note : notes) {
        const auto start = static_cast<std::int64_t>(std::llround(note.startSeconds * sampleRate));
        auto end = static_cast<std::int64_t>(
            std::llround((note.startSeconds + note.durationSeconds) * sampleRate));
        end = std::max(end, start + 1);
        events_.push_back({start, true, note.note, note.velocity});
        events_.push_back({end, false, note.note, 0});
    }
    // At the same frame a note-off goes first, so a note that ends where the
    // next begins does not cut the new one off.
    std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });
}

std::int64_t NoteSchedule::NextFrame() const {
    return next_ < events_.size() ? events_[next_].frame : -1;
}

void NoteSchedule::Fill(std::int64_t blockStart, int frames, hostkit::NoteEventList& events) {
    const std::int64_t blockEnd = blockStart + frames;
    for (; next_ < events_.size() && events_[next_].frame < blockEnd; ++next_) {
        const Event& event = events_[next_];
        const auto offset =
            static_cast<Steinberg::int32>(std::max(event.frame - blockStart, std::int64_t{0}));
        const auto pitch = static_cast<Steinberg::int16>(event.note);
        const bool added = event.on ? events.AddNoteOn(offset, pitch, HostVelocity(event.velocity))
                                    : events.AddNoteOff(offset, pitch);
        if (!added)
            throw RenderError("too many notes in one processing block; use a smaller --block");
    }
}

void NoteSchedule::Rewind(hostkit::NoteEventList& events) {
    for (; next_ < events_.size(); ++next_) {
        if (!events_[next_].on)
            events.AddNoteOff(0, static_cast<Steinberg::int16>(events_[next_].note));
    }
    next_ = 0;
}

void NoteSchedule::SkipTo(std::int64_t frame) {
    while (next_ < events_.size() && events_[next_].frame < frame)
        ++next_;
}

float NoteSchedule::HostVelocity(int velocity) {
    // velocity / 127 in float can land a hair below the exact quotient, and
    // truncation would then lose one step.
    float value = static_cast<float>(velocity) / 127.0f;
    while (value < 1.0f && (static_cast<int>(value * 127.0f) < velocity ||
                            static_cast<int>(static_cast<double>(value) * 127.0) < velocity))
        value = std::nextafter(value, 2.0f);
    return std::min(value, 1.0f);
}

} // namespace tonewell::render
