#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tonewell::render {

// Two channels of rendered doubles into interleaved file samples. Both first
// round each sample to float, as a 32-bit host would receive it.

// Interleaved floats.
void InterleaveFloat(const double* left, const double* right, int frames, float* out);

// Interleaved 16-bit samples: the float scaled by 32768, rounded to nearest
// (ties to even), clipped to -32768..32767; NaN becomes 0.
void InterleavePcm16(const double* left, const double* right, int frames, std::int16_t* out);

// One sample by the same rule.
std::int16_t Pcm16Sample(double sample);

#if defined(__SSE2__)
// Four samples, already rounded to float, by the same rule: the conversion
// rounds as lrint does in the default rounding mode, and packing saturates.
inline __m128i Pcm16Lanes(__m128 samples) {
    const __m128 scaled = _mm_mul_ps(samples, _mm_set1_ps(32768.0f));
    const __m128 number = _mm_and_ps(scaled, _mm_cmpord_ps(scaled, scaled)); // NaN to 0
    return _mm_cvtps_epi32(
        _mm_max_ps(_mm_min_ps(number, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f)));
}
#endif

// The larger of `peak` and the largest magnitude among the samples; NaN
// samples are passed over.
double PeakMagnitude(const double* samples, int count, double peak);

} // namespace tonewell::render
