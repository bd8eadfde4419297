#include "Renderer.h"

#include <PluginInstance.h>
#include <algorithm>
#include <cmath>

#include "AudioFileWriter.h"
#include "BackgroundWriter.h"
#include "BlockQueue.h"
#include "InputAudio.h"
#include "InterruptGuard.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "SampleConversion.h"

namespace tonewell::render {

using namespace Steinberg;

namespace {

// Frames per queued block: whole processing blocks, about 8192 frames, so
// the file is written in large pieces.
int FrameBlockCapacity(int blockSize) {
    constexpr int kWanted = 8192;
    return blockSize >= kWanted ? blockSize : kWanted / blockSize * blockSize;
}

// Enough blocks in the queue to ride out the file system's hiccups.
constexpr int kQueuedBlocks = 8;

} // namespace

Renderer::Renderer(hostkit::PluginInstance& instance, const RenderOptions& options,
                   const StartingChanges& changes, SessionAutomation automation, InputAudio* input)
    : instance_(instance), changes_(changes), notes_(options.notes, options.sampleRate),
      automation_(std::move(automation)), sampleRate_(options.sampleRate),
      blockSize_(options.blockSize), writerThread_(!options.singleThread),
      totalFrames_(std::llround(options.seconds * options.sampleRate)),
      finish_(totalFrames_, std::llround(options.fadeInSeconds * options.sampleRate),
              std::llround(options.fadeOutSeconds * options.sampleRate)),
      input_(input) {}

void Renderer::Run(AudioFileWriter& writer, ProgressBar& progress) {
    hostkit::ProcessConfig config;
    config.sampleRate = sampleRate_;
    config.maxSamplesPerBlock = blockSize_;
    config.sampleSize = Vst::kSample64;
    config.processMode = Vst::kOffline;
    std::string error;
    if (!instance_.Start(config, error)) throw RenderError(error);
    // The generator sounds only while the transport runs, so it runs throughout.
    instance_.SetPlaying(true);
    instance_.SetProjectTime(0);

    // A session that loads a program at its start overrides everything before it.
    if (!automation_.ProgramAtStart()) {
        for (const auto& change : changes_.Changes()) {
            if (!instance_.ParameterChanges().Add(change.id, change.normalized))
                throw RenderError("too many parameter settings");
        }
    }

    if (input_ != nullptr) {
        inputLeft_.assign(static_cast<std::size_t>(blockSize_), 0.0);
        inputRight_.assign(static_cast<std::size_t>(blockSize_), 0.0);
    }
    const int capacity = FrameBlockCapacity(blockSize_);
    if (writerThread_) {
        // The fades and the peak are finished on the writing thread, beside
        // the rendering of the next blocks.
        BackgroundWriter background(writer, finish_, kQueuedBlocks, capacity);
        while (done_ < totalFrames_) {
            RenderInto(background.NextBlock());
            background.Submit();
            ReportProgress(progress);
        }
        background.Finish();
    } else {
        FrameBlock block(capacity);
        while (done_ < totalFrames_) {
            RenderInto(block);
            finish_.Apply(block.left.data(), block.right.data(), block.start, block.frames);
            writer.Write(block.left.data(), block.right.data(), block.frames);
            ReportProgress(progress);
        }
    }
    instance_.Stop();
}

void Renderer::RenderInto(FrameBlock& block) {
    block.frames = 0;
    block.start = done_;
    while (done_ < totalFrames_ && block.Capacity() - block.frames >= blockSize_) {
        // The plug-in acts on notes and parameter changes once a block, at its
        // start, so a block ends where the next note or session point falls:
        // both take effect on their exact frame.
        std::int64_t end = std::min<std::int64_t>(done_ + blockSize_, totalFrames_);
        for (const std::int64_t next : {notes_.NextFrame(), automation_.NextFrame(done_)}) {
            if (next > done_ && next < end) end = next;
        }
        const auto frames = static_cast<int>(end - done_);
        automation_.Fill(done_, frames, instance_.ParameterChanges());
        notes_.Fill(done_, frames, instance_.Events());
        double* outputs[2] = {block.left.data() + block.frames, block.right.data() + block.frames};
        const double* inputs[2] = {inputLeft_.data(), inputRight_.data()};
        if (input_ != nullptr) input_->Read(inputLeft_.data(), inputRight_.data(), frames);
        if (instance_.Process(frames, input_ != nullptr ? inputs : nullptr, outputs) != kResultOk)
            throw RenderError("the plug-in failed to process a block");
        if (InterruptGuard::Requested()) throw RenderError("interrupted; no output written");
        block.frames += frames;
        done_ += frames;
    }
}

void Renderer::ReportProgress(ProgressBar& progress) const {
    progress.Update(static_cast<double>(done_) / static_cast<double>(totalFrames_));
}

} // namespace tonewell::render
