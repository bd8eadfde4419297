#include "NoiseSource.h"

#include <algorithm>
#include <cmath>

namespace tonewell::session {

namespace {

// Root-mean-square levels of SBaGen+'s noises at an amplitude of 1.
constexpr double kPinkRms = 0.1486;
constexpr double kBrownRms = 0.0748;
constexpr double kBrownCornerHz = 750.0;
constexpr double kTwoPi = 6.283185307179586;
// White noise evenly spread over -1..1 has a variance of 1/3.
constexpr double kWhiteVariance = 1.0 / 3.0;

// The pink filter's power gain: the sum of its squared impulse response,
// whose samples are sum_k w_k p_k^n plus the direct share at n = 0 and the
// delayed one at n = 1.
double PinkPowerGain() {
    using namespace noise;
    double poles = 0.0, first = 0.0, second = 0.0;
    for (int j = 0; j < kPoles; ++j) {
        for (int k = 0; k < kPoles; ++k)
            poles += kPoleWeight[j] * kPoleWeight[k] / (1.0 - kPole[j] * kPole[k]);
        first += kPoleWeight[j];
        second += kPoleWeight[j] * kPole[j];
    }
    return poles + kDirectWeight * (2.0 * first + kDirectWeight) +
           kDelayedWeight * (2.0 * second + kDelayedWeight);
}

} // namespace

namespace noise {

void WhitePortable(double* out, int frames, std::uint32_t key, std::uint32_t first) {
    for (int i = 0; i < frames; ++i)
        out[i] = HashToUniform(Hash(key + first + static_cast<std::uint32_t>(i)));
}

void PinkPortable(PinkState& state, const PinkRun& run) {
    double q[kPoles];
    std::copy_n(state.q, kPoles, q);
    for (int i = 0; i < run.frames; ++i) {
        const double w = run.white[i];
        double sum = 0.0;
        for (int k = 0; k < kPoles; ++k) {
            q[k] = kPole[k] * q[k] + w;
            sum += kPoleWeight[k] * q[k];
        }
        const double pink = kDirectWeight * w + (kDelayedWeight * run.white[i - 1] + sum);
        run.out[i] = (pink * run.scale) * (run.step * (i + 1) + run.level0);
    }
    std::copy_n(q, kPoles, state.q);
}

#ifdef TONEWELL_NOISE_AVX2
bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
}
#endif

} // namespace noise

NoiseSource::NoiseSource(NoiseColor color, int sampleRate, std::uint32_t seed)
    : color_(color), key_(noise::Hash(seed ^ 0x9E3779B9u)) {
#ifdef TONEWELL_NOISE_AVX2
    avx2_ = noise::HasAvx2();
#endif
    // A one-pole low-pass keeps a / (2 - a) of white noise's variance.
    brownCoefficient_ = 1.0 - std::exp(-kTwoPi * kBrownCornerHz / sampleRate);
    brownScale_ =
        kBrownRms / std::sqrt(brownCoefficient_ / (2.0 - brownCoefficient_) * kWhiteVariance);
    pinkScale_ = kPinkRms / std::sqrt(PinkPowerGain() * kWhiteVariance);
}

void NoiseSource::Fill(double* out, int frames, double level0, double step) {
    for (int done = 0; done < frames;) {
        const int count = std::min(kChunk, frames - done);
        FillChunk(out + done, count, level0 + step * done, step);
        done += count;
    }
}

void NoiseSource::FillChunk(double* out, int frames, double level0, double step) {
    // The white samples first, with the one before them in front.
    alignas(32) double white[kChunk + 4];
    double* now = white + 4;
    white[3] = previousWhite_;
    // Every 2^32 samples (a day at 48 kHz) the stream turns to a new key.
    const auto first = static_cast<std::uint32_t>(position_);
    const std::uint32_t key = key_ + noise::Hash(static_cast<std::uint32_t>(position_ >> 32));
    const auto beforeWrap = static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(frames), (1ull << 32) - first));
#ifdef TONEWELL_NOISE_AVX2
    const auto whiteKernel = avx2_ ? noise::WhiteAvx2 : noise::WhitePortable;
#else
    const auto whiteKernel = noise::WhitePortable;
#endif
    whiteKernel(now, beforeWrap, key, first);
    if (beforeWrap < frames)
        whiteKernel(now + beforeWrap, frames - beforeWrap,
                    key_ + noise::Hash(static_cast<std::uint32_t>((position_ >> 32) + 1)), 0);
    position_ += static_cast<std::uint64_t>(frames);
    previousWhite_ = now[frames - 1];

    switch (color_) {
    case NoiseColor::White:
        for (int i = 0; i < frames; ++i)
            out[i] = now[i] * (step * (i + 1) + level0);
        break;
    case NoiseColor::Brown: {
        double brown = brown_;
        for (int i = 0; i < frames; ++i) {
            brown += brownCoefficient_ * (now[i] - brown);
            out[i] = (brown * brownScale_) * (step * (i + 1) + level0);
        }
        brown_ = brown;
        break;
    }
    default: {
        const noise::PinkRun run{now, out, frames, pinkScale_, level0, step};
#ifdef TONEWELL_NOISE_AVX2
        if (avx2_) {
            noise::PinkAvx2(pink_, run);
            break;
        }
#endif
        noise::PinkPortable(pink_, run);
        break;
    }
    }
}

} // namespace tonewell::session
