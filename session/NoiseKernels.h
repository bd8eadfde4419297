#pragma once

#include <cstdint>

// The inner loops of the session's noises, in a portable form and, on x86-64,
// with AVX2 and FMA (chosen at run time). White noise is a hash of the sample's
// number, so any run of samples can be made in any order or width. Pink noise
// is a sum of one-pole low-passes of white noise: each pole's state runs
// q = pole * q + white, and the output is the sum of its weighted states, a
// share of the white sample and a share of the one before it.
namespace tonewell::session::noise {

constexpr int kPoles = 6;
constexpr double kPole[kPoles] = {0.99886, 0.99332, 0.96900, 0.86650, 0.55000, -0.7616};
constexpr double kPoleWeight[kPoles] = {0.0555179, 0.0750759, 0.1538520,
                                        0.3104856, 0.5329522, -0.0168980};
constexpr double kDirectWeight = 0.5362;
constexpr double kDelayedWeight = 0.115926;

// Pole states in two groups of four lanes; the last two lanes stay 0.
struct alignas(32) PinkState {
    double q[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// One run: out[i] = (pink[i] * scale) * (level0 + step * (i + 1)), from
// white[0..frames); white[-1] is the white sample before the run.
struct PinkRun {
    const double* white;
    double* out;
    int frames;
    double scale;
    double level0;
    double step;
};

// Writes the white samples numbered first, first + 1, ... (modulo 2^32)
// of the stream `key`, evenly spread over -1..1.
void WhitePortable(double* out, int frames, std::uint32_t key, std::uint32_t first);
void PinkPortable(PinkState& state, const PinkRun& run);

#if defined(__GNUC__) && defined(__x86_64__)
#define TONEWELL_NOISE_AVX2 1
bool HasAvx2();
void WhiteAvx2(double* out, int frames, std::uint32_t key, std::uint32_t first);
void PinkAvx2(PinkState& state, const PinkRun& run);
#endif

// The hash behind the white noise: every bit of the input moves about half
// the bits of the output.
inline std::uint32_t Hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// A hash spread evenly over -1..1: exact, 2^-31 apart.
inline double HashToUniform(std::uint32_t h) {
    return static_cast<double>(static_cast<std::int32_t>(h ^ 0x80000000u)) * (1.0 / 2147483648.0);
}

} // namespace tonewell::session::noise
