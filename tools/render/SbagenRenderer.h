#pragma once

#include <cstdint>

#include "FadeAndPeak.h"

namespace tonewell::session {
class SessionPlayer;
}

namespace tonewell::render {

class AudioFileWriter;
class ProgressBar;
struct FrameBlock;
struct RenderOptions;

// Pulls an SBaGen session from its player and streams it to the writer, the
// file finished and written on a second thread as the next blocks render
// (or on one thread with --single-thread; the file is the same).
class SbagenRenderer {
public:
    SbagenRenderer(session::SessionPlayer& player, const RenderOptions& options, double seconds);

    // Throws RenderError when writing fails or the render is interrupted, and
    // SessionError when the session cannot be played.
    void Run(AudioFileWriter& writer, ProgressBar& progress);

    std::int64_t TotalFrames() const { return totalFrames_; }
    double Peak() const { return finish_.Peak(); }

private:
    void RenderInto(FrameBlock& block);

    session::SessionPlayer& player_;
    bool writerThread_;
    std::int64_t totalFrames_;
    std::int64_t done_ = 0;
    FadeAndPeak finish_;
};

} // namespace tonewell::render
