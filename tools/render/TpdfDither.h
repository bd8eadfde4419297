#pragma once

#include <cstdint>

namespace tonewell::render {

// Triangular (TPDF) dither of +-1 step: the sum of two uniform values, from a
// fixed-seed generator so the same render gives the same file.
class TpdfDither {
public:
    // Adds dither of one step `step` to `sample`.
    double Apply(double sample, double step) { return sample + (Uniform() - Uniform()) * step; }

private:
    double Uniform() {
        // xorshift64*: fast, and good enough for noise.
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<double>((state_ * 0x2545F4914F6CDD1DULL) >> 11) * 0x1.0p-53;
    }

    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

} // namespace tonewell::render
