#pragma once

#include <exception>
#include <thread>

#include "BlockQueue.h"

namespace tonewell::render {

class AudioFileWriter;
class FadeAndPeak;

// Finishes frame blocks (fades, peak) and writes them to the file on a
// thread of its own, so that work overlaps with rendering the next blocks.
class BackgroundWriter {
public:
    // Starts the thread; the queue holds `blocks` blocks of capacityFrames.
    BackgroundWriter(AudioFileWriter& writer, FadeAndPeak& finish, int blocks, int capacityFrames);
    // Stops the thread, dropping whatever was not written yet (a render
    // that did not reach Finish is failing anyway).
    ~BackgroundWriter();

    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // A free block to render into, waiting while the queue is full. Throws
    // the writer's error when writing failed.
    FrameBlock& NextBlock();
    // Queues the block from NextBlock for writing.
    void Submit();
    // Waits until every submitted block is written, then throws the writer's
    // error if there was one.
    void Finish();

private:
    void WriteQueued();
    void Join();

    AudioFileWriter& writer_;
    FadeAndPeak& finish_;
    BlockQueue queue_;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace tonewell::render
