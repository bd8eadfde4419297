#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace tonewell::standalone {

// Notes from one source (the window's keyboard, a MIDI port) to the audio
// callback: one producer, one consumer, a fixed ring, no locks and no
// allocation after construction. A note pushed into a full queue is refused.
class NoteQueue {
public:
    struct Note {
        short pitch = 60;
        // 0..1; a note-on with velocity 0 is a note-off, as in MIDI.
        float velocity = 0.f;
        bool on = false;
    };

    explicit NoteQueue(std::size_t capacity = 256);

    bool Push(const Note& note);
    bool Pop(Note& note);

private:
    std::size_t size_;
    std::unique_ptr<Note[]> slots_;
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
};

} // namespace tonewell::standalone
