#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <pluginterfaces/vst/vsttypes.h>

namespace tonewell::standalone {

// Parameter changes from the window's thread to the audio callback: one
// producer, one consumer, a fixed ring of slots, no locks and no allocation
// after construction. A change pushed into a full queue is refused, not
// waited for, so neither side can stall the other.
class ParameterChangeQueue {
public:
    struct Change {
        Steinberg::Vst::ParamID id = 0;
        Steinberg::Vst::ParamValue normalized = 0.0;
    };

    // Holds up to `capacity` changes (at least one).
    explicit ParameterChangeQueue(std::size_t capacity = 256);

    // Producer side; false when the queue is full.
    bool Push(const Change& change);
    // Consumer side; false when the queue is empty.
    bool Pop(Change& change);

private:
    // One slot stays free to tell a full ring from an empty one.
    std::size_t size_;
    std::unique_ptr<Change[]> slots_;
    // Written by the consumer only; read by the producer.
    std::atomic<std::size_t> head_{0};
    // Written by the producer only; read by the consumer.
    std::atomic<std::size_t> tail_{0};
};

} // namespace tonewell::standalone
