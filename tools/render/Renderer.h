#pragma once

#include <cstdint>

#include "NoteSchedule.h"
#include "StartingChanges.h"

namespace tonewell::hostkit {
class PluginInstance;
}

namespace tonewell::render {

class AudioFileWriter;
class ProgressBar;

// Drives the plug-in block by block like a playing host and streams its
// stereo output to the writer.
class Renderer {
public:
    Renderer(hostkit::PluginInstance& instance, const RenderOptions& options,
             const StartingChanges& changes);

    // Throws RenderError when the plug-in refuses to start or to process.
    void Run(AudioFileWriter& writer, ProgressBar& progress);

    std::int64_t TotalFrames() const { return totalFrames_; }

private:
    hostkit::PluginInstance& instance_;
    const StartingChanges& changes_;
    NoteSchedule notes_;
    int sampleRate_;
    int blockSize_;
    std::int64_t totalFrames_;
};

} // namespace tonewell::render
