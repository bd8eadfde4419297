#pragma once

#include <cstdint>

namespace tonewell::render {

// The last touches on rendered frames before they are written: the fade-in
// and fade-out, and the running peak for the summary. Every frame's gain
// depends only on its place in the render, so blocks may be finished in any
// grouping, on whichever thread writes them.
class FadeAndPeak {
public:
    FadeAndPeak(std::int64_t totalFrames, std::int64_t fadeInFrames, std::int64_t fadeOutFrames);

    // Fades frames [start, start + frames) and takes in their peak.
    void Apply(double* left, double* right, std::int64_t start, int frames);

    // Largest absolute sample so far, after the fades.
    double Peak() const { return peak_; }

private:
    std::int64_t totalFrames_;
    std::int64_t fadeInFrames_;
    std::int64_t fadeOutFrames_;
    double peak_ = 0.0;
};

} // namespace tonewell::render
