#include "BlockQueue.h"

namespace tonewell::render {

BlockQueue::BlockQueue(int blocks, int capacityFrames) {
    blocks_.reserve(static_cast<std::size_t>(blocks < 1 ? 1 : blocks));
    while (blocks_.size() < blocks_.capacity())
        blocks_.emplace_back(capacityFrames < 1 ? 1 : capacityFrames);
    batch_ = (blocks_.size() + 1) / 2;
}

FrameBlock* BlockQueue::AcquireFree() {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [this] { return aborted_ || filled_ < blocks_.size(); });
    return aborted_ ? nullptr : &blocks_[head_];
}

void BlockQueue::Publish() {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        head_ = (head_ + 1) % blocks_.size();
        wake = ++filled_ >= batch_;
    }
    if (wake) ready_.notify_one();
}

void BlockQueue::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    ready_.notify_one();
}

FrameBlock* BlockQueue::AcquireFilled() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return aborted_ || finished_ || filled_ > 0; });
    return aborted_ || filled_ == 0 ? nullptr : &blocks_[tail_];
}

void BlockQueue::Release() {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tail_ = (tail_ + 1) % blocks_.size();
        wake = blocks_.size() - --filled_ >= batch_;
    }
    if (wake) freed_.notify_one();
}

void BlockQueue::Abort() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        aborted_ = true;
    }
    freed_.notify_one();
    ready_.notify_one();
}

} // namespace tonewell::render
