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
      fadeInFrames_(std::min<std::int64_t>(
          totalFrames_, std::llround(options.fadeInSeconds * options.sampleRate))),
      fadeOutFrames_(std::min<std::int64_t>(
          totalFrames_, std::llround(options.fadeOutSeconds * options.sampleRate))),
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
        BackgroundWriter background(writer, kQueuedBlocks, capacity);
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
            writer.Write(block.left.data(), block.right.data(), block.frames);
            ReportProgress(progress);
        }
    }
    instance_.Stop();
}

void Renderer::RenderInto(FrameBlock& block) {
    block.frames = 0;
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
        Finish(outputs[0], outputs[1], done_, frames);
        if (InterruptGuard::Requested()) throw RenderError("interrupted; no output written");
        block.frames += frames;
        done_ += frames;
    }
}

void Renderer::Finish(double* left, double* right, std::int64_t start, int frames) {
    constexpr double kPi = 3.14159265358979323846;
    // Raised cosine from 0 on the first frame of a fade-in, and down to 0 on
    // the frame after the last one, so the last sample keeps the wave's sign
    // at a level far below a click.
    const auto rise = [&](std::int64_t k, std::int64_t length) {
        return 0.5 - 0.5 * std::cos(kPi * static_cast<double>(k) / static_cast<double>(length));
    };
    // Only frames inside a fade change: the others keep a gain of exactly 1.
    const std::int64_t fadeOutStart = totalFrames_ - fadeOutFrames_;
    if (start < fadeInFrames_ || start + frames > fadeOutStart) {
        for (int i = 0; i < frames; ++i) {
            const std::int64_t frame = start + i;
            if (frame >= fadeInFrames_ && frame < fadeOutStart) continue;
            double gain = 1.0;
            if (frame < fadeInFrames_) gain *= rise(frame, fadeInFrames_);
            const std::int64_t fromEnd = totalFrames_ - 1 - frame;
            if (fromEnd < fadeOutFrames_) gain *= rise(fromEnd + 1, fadeOutFrames_ + 1);
            left[i] *= gain;
            right[i] *= gain;
        }
    }
    peak_ = PeakMagnitude(right, frames, PeakMagnitude(left, frames, peak_));
}

void Renderer::ReportProgress(ProgressBar& progress) const {
    progress.Update(static_cast<double>(done_) / static_cast<double>(totalFrames_));
}

} // namespace tonewell::render
