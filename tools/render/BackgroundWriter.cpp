#include "BackgroundWriter.h"

#include "AudioFileWriter.h"
#include "FadeAndPeak.h"
#include "RenderError.h"

namespace tonewell::render {

BackgroundWriter::BackgroundWriter(AudioFileWriter& writer, FadeAndPeak& finish, int blocks,
                                   int capacityFrames)
    : writer_(writer), finish_(finish), queue_(blocks, capacityFrames),
      thread_(&BackgroundWriter::WriteQueued, this) {}

BackgroundWriter::~BackgroundWriter() {
    queue_.Abort();
    Join();
}

void BackgroundWriter::WriteQueued() {
    try {
        while (FrameBlock* block = queue_.AcquireFilled()) {
            finish_.Apply(block->left.data(), block->right.data(), block->start, block->frames);
            writer_.Write(block->left.data(), block->right.data(), block->frames);
            queue_.Release();
        }
    } catch (...) {
        error_ = std::current_exception();
        queue_.Abort();
    }
}

void BackgroundWriter::Join() {
    if (thread_.joinable()) thread_.join();
}

FrameBlock& BackgroundWriter::NextBlock() {
    FrameBlock* block = queue_.AcquireFree();
    if (!block) {
        // Only the writing side aborts while the render runs.
        Join();
        if (error_) std::rethrow_exception(error_);
        throw RenderError("writing stopped");
    }
    return *block;
}

void BackgroundWriter::Submit() {
    queue_.Publish();
}

void BackgroundWriter::Finish() {
    queue_.Finish();
    Join();
    if (error_) std::rethrow_exception(error_);
}

} // namespace tonewell::render
