#pragma once

#include "SpscRing.h"

namespace tonewell::standalone {

struct QueuedNote {
    short pitch = 60;
    // 0..1; a note-on with velocity 0 is a note-off, as in MIDI.
    float velocity = 0.f;
    bool on = false;
};

// Notes from one source (the window's keyboard, a MIDI port) to the audio
// callback.
class NoteQueue : public SpscRing<QueuedNote> {
public:
    using Note = QueuedNote;
    explicit NoteQueue(std::size_t capacity = 256) : SpscRing(capacity) {}
};

} // namespace tonewell::standalone
