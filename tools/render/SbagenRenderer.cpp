#include "SbagenRenderer.h"

#include <SessionPlayer.h>
#include <algorithm>
#include <cmath>

#include "AudioFileWriter.h"
#include "BackgroundWriter.h"
#include "BlockQueue.h"
#include "InterruptGuard.h"
#include "ProgressBar.h"
#include "RenderError.h"
#include "RenderOptions.h"

namespace tonewell::render {

namespace {
constexpr int kCapacity = session::SessionPlayer::kStretch;
constexpr int kQueuedBlocks = 4;
} // namespace

SbagenRenderer::SbagenRenderer(session::SessionPlayer& player, const RenderOptions& options,
                               double seconds)
    : player_(player), writerThread_(!options.singleThread),
      totalFrames_(std::llround(seconds * options.sampleRate)),
      finish_(totalFrames_, std::llround(options.fadeInSeconds * options.sampleRate),
              std::llround(options.fadeOutSeconds * options.sampleRate)) {}

void SbagenRenderer::Run(AudioFileWriter& writer, ProgressBar& progress) {
    const auto report = [&] {
        progress.Update(static_cast<double>(done_) / static_cast<double>(totalFrames_));
    };
    if (writerThread_) {
        BackgroundWriter background(writer, finish_, kQueuedBlocks, kCapacity);
        while (done_ < totalFrames_) {
            RenderInto(background.NextBlock());
            background.Submit();
            report();
        }
        background.Finish();
    } else {
        FrameBlock block(kCapacity);
        while (done_ < totalFrames_) {
            RenderInto(block);
            finish_.Apply(block.left.data(), block.right.data(), block.start, block.frames);
            writer.Write(block.left.data(), block.right.data(), block.frames);
            report();
        }
    }
}

void SbagenRenderer::RenderInto(FrameBlock& block) {
    block.start = done_;
    block.frames = static_cast<int>(std::min<std::int64_t>(block.Capacity(), totalFrames_ - done_));
    // The player works ahead in stretches of its own, whatever a call asks
    // for; a block of whole stretches is mixed straight into place.
    player_.Render(block.left.data(), block.right.data(), block.frames);
    if (InterruptGuard::Requested()) throw RenderError("interrupted; no output written");
    done_ += block.frames;
}

} // namespace tonewell::render
