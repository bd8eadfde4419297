#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>

namespace tonewell::standalone {

// Values from one producer thread to one consumer thread (the window's or a
// MIDI port's thread to the audio callback): a fixed ring of slots, no locks
// and no allocation after construction. A value pushed into a full ring is
// refused, not waited for, so neither side can stall the other.
template <typename T> class SpscRing {
public:
    // Holds up to `capacity` values (at least one).
    explicit SpscRing(std::size_t capacity)
        : size_(std::max<std::size_t>(capacity, 1) + 1), slots_(std::make_unique<T[]>(size_)) {}

    // Producer side; false when the ring is full.
    bool Push(const T& value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t next = (tail + 1) % size_;
        if (next == head_.load(std::memory_order_acquire)) return false;
        slots_[tail] = value;
        // Publishes the slot's contents together with the new tail.
        tail_.store(next, std::memory_order_release);
        return true;
    }

    // Consumer side; false when the ring is empty.
    bool Pop(T& value) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        value = slots_[head];
        // Hands the slot back to the producer only after it has been read.
        head_.store((head + 1) % size_, std::memory_order_release);
        return true;
    }

private:
    // One slot stays free to tell a full ring from an empty one.
    std::size_t size_;
    std::unique_ptr<T[]> slots_;
    // Written by the consumer only; read by the producer.
    std::atomic<std::size_t> head_{0};
    // Written by the producer only; read by the consumer.
    std::atomic<std::size_t> tail_{0};
};

} // namespace tonewell::standalone
