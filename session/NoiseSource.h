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

    // Writes the next `frames` values, the same as that many calls of Next.
    void Fill(double* out, int frames);

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
    static double Uniform(std::uint32_t& state) {
        // xorshift32: fast, and good enough to listen to.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) * (2.0 / 4294967296.0) - 1.0;
    }
    double Uniform() { return Uniform(state_); }
    double Pink(double white) { return pink_.Step(white); }

    // A sum of one-pole filters spaced over the audio band approximates the
    // 1/f slope within half a decibel.
    struct PinkPoles {
        double pole[7] = {0, 0, 0, 0, 0, 0, 0};
        double Step(double white) {
            pole[0] = 0.99886 * pole[0] + white * 0.0555179;
            pole[1] = 0.99332 * pole[1] + white * 0.0750759;
            pole[2] = 0.96900 * pole[2] + white * 0.1538520;
            pole[3] = 0.86650 * pole[3] + white * 0.3104856;
            pole[4] = 0.55000 * pole[4] + white * 0.5329522;
            pole[5] = -0.7616 * pole[5] - white * 0.0168980;
            const double pink = pole[0] + pole[1] + pole[2] + pole[3] + pole[4] + pole[5] +
                                pole[6] + white * 0.5362;
            pole[6] = white * 0.115926;
            return pink;
        }
    };

    NoiseColor color_;
    std::uint32_t state_;
    PinkPoles pink_;
    double brown_ = 0.0;
    double brownCoefficient_ = 0.0;
    double brownScale_ = 1.0;
    double pinkScale_ = 1.0;
};

} // namespace tonewell::session
