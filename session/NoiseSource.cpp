#include "NoiseSource.h"

#include <cmath>

namespace tonewell::session {

namespace {

// Root-mean-square levels of SBaGen+'s noises at an amplitude of 1.
constexpr double kPinkRms = 0.1486;
constexpr double kBrownRms = 0.0748;
constexpr double kBrownCornerHz = 750.0;
constexpr double kTwoPi = 6.283185307179586;

} // namespace

void NoiseSource::Fill(double* out, int frames) {
    // The state lives in locals over the block so that it stays in registers.
    std::uint32_t state = state_;
    switch (color_) {
    case NoiseColor::White:
        for (int i = 0; i < frames; ++i)
            out[i] = Uniform(state);
        break;
    case NoiseColor::Brown: {
        double brown = brown_;
        for (int i = 0; i < frames; ++i) {
            brown += brownCoefficient_ * (Uniform(state) - brown);
            out[i] = brown * brownScale_;
        }
        brown_ = brown;
        break;
    }
    default: {
        PinkPoles pink = pink_;
        for (int i = 0; i < frames; ++i)
            out[i] = pink.Step(Uniform(state)) * pinkScale_;
        pink_ = pink;
        break;
    }
    }
    state_ = state;
}

NoiseSource::NoiseSource(NoiseColor color, int sampleRate, std::uint32_t seed)
    : color_(color), state_(seed != 0 ? seed : 0x9E3779B9u) {
    // White noise evenly spread over -1..1 has a variance of 1/3; a one-pole
    // low-pass keeps a / (2 - a) of it.
    brownCoefficient_ = 1.0 - std::exp(-kTwoPi * kBrownCornerHz / sampleRate);
    brownScale_ = kBrownRms / std::sqrt(brownCoefficient_ / (2.0 - brownCoefficient_) / 3.0);
    if (color == NoiseColor::Pink) {
        // The pink filter's gain, measured once on noise of its own.
        static const double pinkRms = [] {
            NoiseSource probe(NoiseColor::White, 48000, 12345);
            double sum = 0.0;
            constexpr int kFrames = 1 << 18;
            for (int i = 0; i < kFrames; ++i) {
                const double value = probe.Pink(probe.Uniform());
                if (i >= 4096) sum += value * value;
            }
            return std::sqrt(sum / (kFrames - 4096));
        }();
        pinkScale_ = kPinkRms / pinkRms;
    }
}

} // namespace tonewell::session
