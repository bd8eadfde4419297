#pragma once

#include <cstdint>

namespace tonewell::session {

enum class NoiseColor { White, Pink, Brown };

// Noise at SBaGen+'s levels for an amplitude of 1: white evenly spread over
// -1..1, pink falling 3 dB an octave, brown flat to a few hundred hertz and
// falling 6 dB an octave above. Repeatable: the same seed gives the same noise.
class NoiseSource {
public:
    NoiseSource(NoiseColor color, int sampleRate, std::uint32_t seed);

    double Next() {
        const double white = Uniform();
        switch (color_) {
        case NoiseColor::White:
            return white;
        case NoiseColor::Brown:
            brown_ += brownCoefficient_ * (white - brown_);
            return brown_ * brownScale_;
        default:
            return Pink(white) * pinkScale_;
        }
    }

private:
    double Uniform() {
        // xorshift32: fast, and good enough to listen to.
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) * (2.0 / 4294967296.0) - 1.0;
    }
    double Pink(double white);

    NoiseColor color_;
    std::uint32_t state_;
    double pole_[7] = {0, 0, 0, 0, 0, 0, 0};
    double brown_ = 0.0;
    double brownCoefficient_ = 0.0;
    double brownScale_ = 1.0;
    double pinkScale_ = 1.0;
};

} // namespace tonewell::session
