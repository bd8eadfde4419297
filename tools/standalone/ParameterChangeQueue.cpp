#include "ParameterChangeQueue.h"

#include <algorithm>

namespace tonewell::standalone {

ParameterChangeQueue::ParameterChangeQueue(std::size_t capacity)
    : size_(std::max<std::size_t>(capacity, 1) + 1), slots_(std::make_unique<Change[]>(size_)) {}

bool ParameterChangeQueue::Push(const Change& change) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % size_;
    if (next == head_.load(std::memory_order_acquire)) return false;
    slots_[tail] = change;
    // Publishes the slot's contents together with the new tail.
    tail_.store(next, std::memory_order_release);
    return true;
}

bool ParameterChangeQueue::Pop(Change& change) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    change = slots_[head];
    // Hands the slot back to the producer only after it has been read.
    head_.store((head + 1) % size_, std::memory_order_release);
    return true;
}

} // namespace tonewell::standalone
