#include "TpdfDither.h"

#include "SampleConversion.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tonewell::render {

namespace {

// splitmix64, to spread one seed over the generators' states.
std::uint64_t SplitMix(std::uint64_t& seed) {
    std::uint64_t z = (seed += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// A 64-bit value as the difference of its two 32-bit halves, each read as a
// signed uniform value: triangular in (-2^32, 2^32) with mean 0.
inline double Triangular(std::uint64_t value) {
    const auto high = static_cast<std::int32_t>(static_cast<std::uint32_t>(value >> 32));
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<double>(high) - static_cast<double>(low);
}

} // namespace

TpdfDither::TpdfDither() {
    std::uint64_t seed = 0x5DEECE66DULL;
    for (int lane = 0; lane < kLanes; ++lane) {
        low_[lane] = SplitMix(seed);
        high_[lane] = SplitMix(seed);
    }
}

void TpdfDither::Step(std::uint64_t (&values)[kLanes]) {
    for (int lane = 0; lane < kLanes; ++lane) {
        std::uint64_t a = low_[lane];
        const std::uint64_t b = high_[lane];
        values[lane] = a + b;
        low_[lane] = b;
        a ^= a << 23;
        high_[lane] = a ^ b ^ (a >> 18) ^ (b >> 5);
    }
}

template <typename One, typename Four>
void TpdfDither::Run(int count, double scale, One one, Four four) {
    int k = 0;
    for (; k < count && next_ < kLanes; ++k)
        one(k, Triangular(pending_[next_++]) * scale);
    double noise[kLanes];
#if defined(__SSE2__)
    // The same steps and sums as Step and Triangular, two generators to a
    // register; every operation is exact, so the values are equal.
    __m128i low01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low_));
    __m128i low23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low_ + 2));
    __m128i high01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high_));
    __m128i high23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high_ + 2));
    const __m128d scales = _mm_set1_pd(scale);
    const auto step2 = [&scales](__m128i& low, __m128i& high) {
        const __m128i a = low, b = high;
        const __m128i value = _mm_add_epi64(a, b);
        low = b;
        const __m128i shifted = _mm_xor_si128(a, _mm_slli_epi64(a, 23));
        high = _mm_xor_si128(_mm_xor_si128(shifted, b),
                             _mm_xor_si128(_mm_srli_epi64(shifted, 18), _mm_srli_epi64(b, 5)));
        // Low halves to the bottom, high halves to the top.
        const __m128i halves = _mm_shuffle_epi32(value, _MM_SHUFFLE(3, 1, 2, 0));
        return _mm_mul_pd(_mm_sub_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(halves, halves)),
                                     _mm_cvtepi32_pd(halves)),
                          scales);
    };
    for (; k + kLanes <= count; k += kLanes) {
        _mm_storeu_pd(noise, step2(low01, high01));
        _mm_storeu_pd(noise + 2, step2(low23, high23));
        four(k, noise);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(low_), low01);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(low_ + 2), low23);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(high_), high01);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(high_ + 2), high23);
#endif
    std::uint64_t values[kLanes];
    for (; k + kLanes <= count; k += kLanes) {
        Step(values);
        for (int lane = 0; lane < kLanes; ++lane)
            noise[lane] = Triangular(values[lane]) * scale;
        four(k, noise);
    }
    if (k < count) {
        Step(pending_);
        next_ = 0;
        for (; k < count; ++k)
            one(k, Triangular(pending_[next_++]) * scale);
    }
}

void TpdfDither::Apply(const double* in, double* out, int count, double step) {
    Run(
        count, 0x1.0p-32 * step, [&](int k, double noise) { out[k] = in[k] + noise; },
        [&](int k, const double* noise) {
            for (int lane = 0; lane < kLanes; ++lane)
                out[k + lane] = in[k + lane] + noise[lane];
        });
}

void TpdfDither::InterleavePcm16(const double* left, const double* right, int frames,
                                 std::int16_t* out) {
    // Value k of the stream dithers interleaved sample k: frame k / 2, left
    // when k is even. The stream advances two values a frame, so runs of
    // four start on an even k, that is on a left sample.
    const auto one = [&](int k, double noise) {
        const double* channel = k % 2 == 0 ? left : right;
        out[k] = Pcm16Sample(channel[k / 2] + noise);
    };
#if defined(__SSE2__)
    const auto four = [&](int k, const double* noise) {
        const int frame = k / 2;
        const __m128d l = _mm_loadu_pd(left + frame);
        const __m128d r = _mm_loadu_pd(right + frame);
        const __m128 first = _mm_cvtpd_ps(_mm_add_pd(_mm_unpacklo_pd(l, r), _mm_loadu_pd(noise)));
        const __m128 second =
            _mm_cvtpd_ps(_mm_add_pd(_mm_unpackhi_pd(l, r), _mm_loadu_pd(noise + 2)));
        const __m128i samples = Pcm16Lanes(_mm_movelh_ps(first, second));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packs_epi32(samples, samples));
    };
#else
    const auto four = [&](int k, const double* noise) {
        for (int lane = 0; lane < kLanes; ++lane)
            one(k + lane, noise[lane]);
    };
#endif
    Run(2 * frames, 0x1.0p-32 / 32768.0, one, four);
}

} // namespace tonewell::render
