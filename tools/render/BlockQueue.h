#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tonewell::render {

// Rendered stereo frames on their way to the file.
struct FrameBlock {
    explicit FrameBlock(int capacity)
        : left(static_cast<std::size_t>(capacity)), right(static_cast<std::size_t>(capacity)) {}
    int Capacity() const { return static_cast<int>(left.size()); }

    std::vector<double> left, right;
    int frames = 0;
    std::int64_t start = 0; // the render's frame index of the first frame
};

// A bounded ring of frame blocks between one producer and one consumer, all
// allocated up front: blocks go round, nothing is allocated per block. A side
// that waits is woken only once half the ring is ready for it (or at the
// end), so the two threads trade blocks in batches rather than one by one.
class BlockQueue {
public:
    BlockQueue(int blocks, int capacityFrames);

    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

    // Producer: the next free block, waiting while all are full; null once
    // the queue was aborted.
    FrameBlock* AcquireFree();
    // Producer: hands the block from AcquireFree to the consumer.
    void Publish();
    // Producer: no more blocks will come.
    void Finish();

    // Consumer: the next published block, waiting while there is none; null
    // once the producer finished and every block was taken, or on abort.
    FrameBlock* AcquireFilled();
    // Consumer: gives the block from AcquireFilled back to the producer.
    void Release();

    // Either side: stops both, whatever is still queued.
    void Abort();

private:
    std::mutex mutex_;
    std::condition_variable freed_; // the producer waits here
    std::condition_variable ready_; // the consumer waits here
    std::vector<FrameBlock> blocks_;
    std::size_t batch_;    // blocks that wake a waiting side
    std::size_t head_ = 0; // next block the producer fills
    std::size_t tail_ = 0; // next block the consumer takes
    std::size_t filled_ = 0;
    bool finished_ = false;
    bool aborted_ = false;
};

} // namespace tonewell::render
