#include "FadeAndPeak.h"

#include <algorithm>
#include <cmath>

#include "SampleConversion.h"

namespace tonewell::render {

FadeAndPeak::FadeAndPeak(std::int64_t totalFrames, std::int64_t fadeInFrames,
                         std::int64_t fadeOutFrames)
    : totalFrames_(totalFrames), fadeInFrames_(std::min(totalFrames, fadeInFrames)),
      fadeOutFrames_(std::min(totalFrames, fadeOutFrames)) {}

void FadeAndPeak::Apply(double* left, double* right, std::int64_t start, int frames) {
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

} // namespace tonewell::render
