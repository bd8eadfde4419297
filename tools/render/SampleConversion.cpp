#include "SampleConversion.h"

#include <cmath>

namespace tonewell::render {

std::int16_t Pcm16Sample(double sample) {
    const float scaled = static_cast<float>(sample) * 32768.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 32767.0f) return 32767;
    if (scaled <= -32768.0f) return -32768;
    return static_cast<std::int16_t>(std::lrint(scaled));
}

void InterleaveFloat(const double* left, const double* right, int frames, float* out) {
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = static_cast<float>(left[i]);
        out[2 * i + 1] = static_cast<float>(right[i]);
    }
}

void InterleavePcm16(const double* left, const double* right, int frames, std::int16_t* out) {
    int i = 0;
#if defined(__SSE2__)
    // Four frames at a time.
    auto convert = [](const double* samples) {
        const __m128 low = _mm_cvtpd_ps(_mm_loadu_pd(samples));
        const __m128 high = _mm_cvtpd_ps(_mm_loadu_pd(samples + 2));
        return Pcm16Lanes(_mm_movelh_ps(low, high));
    };
    for (; i + 4 <= frames; i += 4) {
        const __m128i l = convert(left + i);
        const __m128i r = convert(right + i);
        const __m128i interleaved =
            _mm_packs_epi32(_mm_unpacklo_epi32(l, r), _mm_unpackhi_epi32(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), interleaved);
    }
#endif
    for (; i < frames; ++i) {
        out[2 * i] = Pcm16Sample(left[i]);
        out[2 * i + 1] = Pcm16Sample(right[i]);
    }
}

double PeakMagnitude(const double* samples, int count, double peak) {
    int i = 0;
#if defined(__SSE2__)
    // maxpd returns its second operand when the first is NaN, so NaN samples
    // leave the running peak as it is.
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    __m128d a = _mm_set1_pd(peak), b = a;
    for (; i + 4 <= count; i += 4) {
        a = _mm_max_pd(_mm_and_pd(_mm_loadu_pd(samples + i), magnitude), a);
        b = _mm_max_pd(_mm_and_pd(_mm_loadu_pd(samples + i + 2), magnitude), b);
    }
    double lanes[4];
    _mm_storeu_pd(lanes, a);
    _mm_storeu_pd(lanes + 2, b);
    for (double lane : lanes)
        if (peak < lane) peak = lane;
#endif
    for (; i < count; ++i)
        if (peak < std::fabs(samples[i])) peak = std::fabs(samples[i]);
    return peak;
}

} // namespace tonewell::render
