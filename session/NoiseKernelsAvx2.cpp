// The noise loops with AVX2 and FMA. The whole file is compiled for those
// instruction sets and only called after the processor was found to have them.
#include <immintrin.h>

#include "NoiseKernels.h"

namespace tonewell::session::noise {

namespace {

__m256i HashLanes(__m256i x) {
    x = _mm256_xor_si256(x, _mm256_srli_epi32(x, 16));
    x = _mm256_mullo_epi32(x, _mm256_set1_epi32(0x7feb352d));
    x = _mm256_xor_si256(x, _mm256_srli_epi32(x, 15));
    x = _mm256_mullo_epi32(x, _mm256_set1_epi32(static_cast<int>(0x846ca68bu)));
    return _mm256_xor_si256(x, _mm256_srli_epi32(x, 16));
}

} // namespace

void WhiteAvx2(double* out, int frames, std::uint32_t key, std::uint32_t first) {
    const __m256i offsets = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i sign = _mm256_set1_epi32(static_cast<int>(0x80000000u));
    const __m256d unit = _mm256_set1_pd(1.0 / 2147483648.0);
    int i = 0;
    for (; i + 8 <= frames; i += 8) {
        const __m256i index = _mm256_add_epi32(
            _mm256_set1_epi32(static_cast<int>(key + first + static_cast<std::uint32_t>(i))),
            offsets);
        const __m256i h = _mm256_xor_si256(HashLanes(index), sign);
        _mm256_storeu_pd(out + i,
                         _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(h)), unit));
        _mm256_storeu_pd(out + i + 4,
                         _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(h, 1)), unit));
    }
    for (; i < frames; ++i)
        out[i] = HashToUniform(Hash(key + first + static_cast<std::uint32_t>(i)));
}

void PinkAvx2(PinkState& state, const PinkRun& run) {
    const __m256d poleLow = _mm256_setr_pd(kPole[0], kPole[1], kPole[2], kPole[3]);
    const __m256d poleHigh = _mm256_setr_pd(kPole[4], kPole[5], 0.0, 0.0);
    const __m256d weightLow =
        _mm256_setr_pd(kPoleWeight[0], kPoleWeight[1], kPoleWeight[2], kPoleWeight[3]);
    const __m256d weightHigh = _mm256_setr_pd(kPoleWeight[4], kPoleWeight[5], 0.0, 0.0);
    const __m256d direct = _mm256_set1_pd(kDirectWeight);
    const __m256d delayed = _mm256_set1_pd(kDelayedWeight);
    const __m256d scale = _mm256_set1_pd(run.scale);
    const __m256d level0 = _mm256_set1_pd(run.level0);
    const __m256d step = _mm256_set1_pd(run.step);
    __m256d ramp = _mm256_setr_pd(1.0, 2.0, 3.0, 4.0);
    const __m256d four = _mm256_set1_pd(4.0);
    __m256d low = _mm256_load_pd(state.q);
    __m256d high = _mm256_load_pd(state.q + 4);
    const double* white = run.white;
    int i = 0;
    // Four samples a round: each pole group's chain is one fused step a
    // sample; the four weighted sums are added across lanes together.
    for (; i + 4 <= run.frames; i += 4) {
        __m256d sums[4];
        for (int k = 0; k < 4; ++k) {
            const __m256d w = _mm256_broadcast_sd(white + i + k);
            low = _mm256_fmadd_pd(poleLow, low, w);
            high = _mm256_fmadd_pd(poleHigh, high, w);
            sums[k] = _mm256_fmadd_pd(weightLow, low, _mm256_mul_pd(weightHigh, high));
        }
        const __m256d pairs01 = _mm256_hadd_pd(sums[0], sums[1]);
        const __m256d pairs23 = _mm256_hadd_pd(sums[2], sums[3]);
        const __m256d poles = _mm256_add_pd(_mm256_blend_pd(pairs01, pairs23, 0xC),
                                            _mm256_permute2f128_pd(pairs01, pairs23, 0x21));
        const __m256d now = _mm256_loadu_pd(white + i);
        const __m256d before = _mm256_loadu_pd(white + i - 1);
        const __m256d pink = _mm256_fmadd_pd(direct, now, _mm256_fmadd_pd(delayed, before, poles));
        const __m256d gain = _mm256_fmadd_pd(step, ramp, level0);
        _mm256_storeu_pd(run.out + i, _mm256_mul_pd(_mm256_mul_pd(pink, scale), gain));
        ramp = _mm256_add_pd(ramp, four);
    }
    // The last few one at a time, rounded exactly as the lanes above round.
    for (; i < run.frames; ++i) {
        const __m256d w = _mm256_broadcast_sd(white + i);
        low = _mm256_fmadd_pd(poleLow, low, w);
        high = _mm256_fmadd_pd(poleHigh, high, w);
        alignas(32) double sums[4];
        _mm256_store_pd(sums, _mm256_fmadd_pd(weightLow, low, _mm256_mul_pd(weightHigh, high)));
        const double poles = (sums[0] + sums[1]) + (sums[2] + sums[3]);
        const double pink = __builtin_fma(kDirectWeight, white[i],
                                          __builtin_fma(kDelayedWeight, white[i - 1], poles));
        run.out[i] =
            (pink * run.scale) * __builtin_fma(run.step, static_cast<double>(i + 1), run.level0);
    }
    _mm256_store_pd(state.q, low);
    _mm256_store_pd(state.q + 4, high);
}

} // namespace tonewell::session::noise
