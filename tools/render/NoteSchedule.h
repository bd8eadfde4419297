#pragma once

#include <cstdint>
#include <vector>

#include "NoteRequest.h"

namespace tonewell::hostkit {
class NoteEventList;
}

namespace tonewell::render {

// The command line's notes as note-on and note-off events at sample frames,
// handed out block by block.
class NoteSchedule {
public:
    NoteSchedule(const std::vector<NoteRequest>& notes, int sampleRate);

    // Frame of the next event not yet handed out; -1 when there is none.
    std::int64_t NextFrame() const;

    // Adds the events of frames [blockStart, blockStart + frames) to the list,
    // with offsets relative to the block. Blocks must come in order. Throws
    // RenderError when the list cannot take them all.
    void Fill(std::int64_t blockStart, int frames, hostkit::NoteEventList& events);

    // Back to the first note, to play the notes again; the note-offs still
    // due go to `events` first, so no note hangs on.
    void Rewind(hostkit::NoteEventList& events);

    // Passes over the events before `frame`, to start playing there; a note
    // under way at that frame is not played.
    void SkipTo(std::int64_t frame);

    // Host velocity (0..1) that a plug-in scaling by 127 and truncating reads
    // back as exactly `velocity`.
    static float HostVelocity(int velocity);

private:
    struct Event {
        std::int64_t frame;
        bool on;
        int note;
        int velocity;
    };
    std::vector<Event> events_;
    std::size_t next_ = 0;
};

} // namespace tonewell::render
