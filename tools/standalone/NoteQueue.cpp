#include "NoteQueue.h"

#include <algorithm>

namespace tonewell::standalone {

NoteQueue::NoteQueue(std::size_t capacity)
    : size_(std::max<std::size_t>(capacity, 1) + 1), slots_(std::make_unique<Note[]>(size_)) {}

// The same protocol as ParameterChangeQueue: the producer publishes a slot
// with the release store of the tail, the consumer hands it back with the
// release store of the head.
bool NoteQueue::Push(const Note& note) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % size_;
    if (next == head_.load(std::memory_order_acquire)) return false;
    slots_[tail] = note;
    tail_.store(next, std::memory_order_release);
    return true;
}

bool NoteQueue::Pop(Note& note) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    note = slots_[head];
    head_.store((head + 1) % size_, std::memory_order_release);
    return true;
}

} // namespace tonewell::standalone
