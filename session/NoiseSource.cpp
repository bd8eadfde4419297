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

double NoiseSource::Pink(double white) {
    // A sum of one-pole filters spaced over the audio band approximates the
    // 1/f slope within half a decibel.
    pole_[0] = 0.99886 * pole_[0] + white * 0.0555179;
    pole_[1] = 0.99332 * pole_[1] + white * 0.0750759;
    pole_[2] = 0.96900 * pole_[2] + white * 0.1538520;
    pole_[3] = 0.86650 * pole_[3] + white * 0.3104856;
    pole_[4] = 0.55000 * pole_[4] + white * 0.5329522;
    pole_[5] = -0.7616 * pole_[5] - white * 0.0168980;
    const double pink =
        pole_[0] + pole_[1] + pole_[2] + pole_[3] + pole_[4] + pole_[5] + pole_[6] + white * 0.5362;
    pole_[6] = white * 0.115926;
    return pink;
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
