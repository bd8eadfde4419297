#pragma once

#include <cstdint>

#include "NoiseKernels.h"

namespace tonewell::session {

enum class NoiseColor { White, Pink, Brown };

// Noise at SBaGen+'s levels for an amplitude of 1: white evenly spread over
// -1..1, pink falling 3 dB an octave, brown flat to a few hundred hertz and
// falling 6 dB an octave above. Repeatable: the same seed gives the same
// noise, however its samples are asked for.
class NoiseSource {
public:
    NoiseSource(NoiseColor color, int sampleRate, std::uint32_t seed);

    // Writes the next `frames` values.
    void Fill(double* out, int frames) { Fill(out, frames, 1.0, 0.0); }
    // The same at a level moving in a straight line: value i is multiplied
    // by level0 + step * (i + 1).
    void Fill(double* out, int frames, double level0, double step);

private:
    static constexpr int kChunk = 256;
    void FillChunk(double* out, int frames, double level0, double step);

    NoiseColor color_;
    std::uint32_t key_;
    std::uint64_t position_ = 0; // samples made
    bool avx2_ = false;
    noise::PinkState pink_;
    double previousWhite_ = 0.0;
    double brown_ = 0.0;
    double brownCoefficient_ = 0.0;
    double brownScale_ = 1.0;
    double pinkScale_ = 1.0;
};

} // namespace tonewell::session
