#pragma once

#include <cstdint>
#include <vector>

#include "FadeAndPeak.h"
#include "NoteSchedule.h"
#include "SessionAutomation.h"
#include "StartingChanges.h"

namespace tonewell::hostkit {
class PluginInstance;
}

namespace tonewell::render {

class AudioFileWriter;
class InputAudio;
class ProgressBar;
struct FrameBlock;

// Drives the plug-in block by block like a playing host and streams its
// stereo output to the writer: by default the file is written on a second
// thread while the next blocks render; the file is the same either way.
class Renderer {
public:
    // `automation` plays a session's parameter changes; a default one plays none.
    Renderer(hostkit::PluginInstance& instance, const RenderOptions& options,
             const StartingChanges& changes, SessionAutomation automation = {},
             InputAudio* input = nullptr);

    // Throws RenderError when the plug-in refuses to start or to process,
    // when writing fails and when interrupted.
    void Run(AudioFileWriter& writer, ProgressBar& progress);

    std::int64_t TotalFrames() const { return totalFrames_; }
    // Largest absolute sample written so far, after the fades.
    double Peak() const { return finish_.Peak(); }

private:
    // Renders processing blocks into the frame block until it has no room
    // for another or the render is complete.
    void RenderInto(FrameBlock& block);
    void ReportProgress(ProgressBar& progress) const;

    hostkit::PluginInstance& instance_;
    const StartingChanges& changes_;
    NoteSchedule notes_;
    SessionAutomation automation_;
    int sampleRate_;
    int blockSize_;
    bool writerThread_;
    std::int64_t totalFrames_;
    std::int64_t done_ = 0;
    FadeAndPeak finish_;
    InputAudio* input_;
    std::vector<double> inputLeft_;
    std::vector<double> inputRight_;
};

} // namespace tonewell::render
