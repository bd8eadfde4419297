#include "Renderer.h"

#include <PluginInstance.h>
#include <algorithm>
#include <cmath>
#include <vector>

#include "AudioFileWriter.h"
#include "InterruptGuard.h"
#include "ProgressBar.h"
#include "RenderError.h"

namespace tonewell::render {

using namespace Steinberg;

Renderer::Renderer(hostkit::PluginInstance& instance, const RenderOptions& options,
                   const StartingChanges& changes)
    : instance_(instance), changes_(changes), notes_(options.notes, options.sampleRate),
      sampleRate_(options.sampleRate), blockSize_(options.blockSize),
      totalFrames_(std::llround(options.seconds * options.sampleRate)) {}

void Renderer::Run(AudioFileWriter& writer, ProgressBar& progress) {
    hostkit::ProcessConfig config;
    config.sampleRate = sampleRate_;
    config.maxSamplesPerBlock = blockSize_;
    config.sampleSize = Vst::kSample32;
    config.processMode = Vst::kOffline;
    std::string error;
    if (!instance_.Start(config, error)) throw RenderError(error);
    // The generator sounds only while the transport runs, so it runs throughout.
    instance_.SetPlaying(true);
    instance_.SetProjectTime(0);

    for (const auto& change : changes_.Changes()) {
        if (!instance_.ParameterChanges().Add(change.id, change.normalized))
            throw RenderError("too many parameter settings");
    }

    const auto block = static_cast<std::size_t>(blockSize_);
    std::vector<float> left(block), right(block), interleaved(2 * block);
    float* outputs[2] = {left.data(), right.data()};
    for (std::int64_t done = 0; done < totalFrames_;) {
        // The plug-in acts on notes at the start of a block, so a block ends
        // where the next note event falls: notes start on their exact frame.
        std::int64_t end = std::min<std::int64_t>(done + blockSize_, totalFrames_);
        const std::int64_t nextNote = notes_.NextFrame();
        if (nextNote > done && nextNote < end) end = nextNote;
        const auto frames = static_cast<int>(end - done);
        notes_.Fill(done, frames, instance_.Events());
        if (instance_.Process(frames, nullptr, outputs) != kResultOk)
            throw RenderError("the plug-in failed to process a block");
        for (int i = 0; i < frames; ++i) {
            interleaved[2 * static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i)];
            interleaved[2 * static_cast<std::size_t>(i) + 1] = right[static_cast<std::size_t>(i)];
        }
        writer.Write(interleaved.data(), frames);
        if (InterruptGuard::Requested()) throw RenderError("interrupted; no output written");
        done += frames;
        progress.Update(static_cast<double>(done) / static_cast<double>(totalFrames_));
    }
    instance_.Stop();
}

} // namespace tonewell::render
