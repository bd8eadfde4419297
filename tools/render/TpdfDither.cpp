#include "TpdfDither.h"

#include <algorithm>

#include "SampleConversion.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
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

#if defined(__x86_64__) && defined(__GNUC__)
#define TONEWELL_DITHER_AVX2 1
namespace {

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// One step of the four generators: their next four values as triangular
// noise, scaled.
__attribute__((target("avx2"))) inline __m256d StepAvx2(__m256i& low, __m256i& high,
                                                        __m256d scales) {
    const __m256i a = low, b = high;
    const __m256i value = _mm256_add_epi64(a, b);
    low = b;
    const __m256i shifted = _mm256_xor_si256(a, _mm256_slli_epi64(a, 23));
    high =
        _mm256_xor_si256(_mm256_xor_si256(shifted, b),
                         _mm256_xor_si256(_mm256_srli_epi64(shifted, 18), _mm256_srli_epi64(b, 5)));
    // Low halves of the four values to the bottom, high halves to the top.
    const __m256i split =
        _mm256_permutevar8x32_epi32(value, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    return _mm256_mul_pd(_mm256_sub_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(split, 1)),
                                       _mm256_cvtepi32_pd(_mm256_castsi256_si128(split))),
                         scales);
}

// Two frames (left, right, left, right) with their four noise values.
__attribute__((target("avx2"))) inline __m128i ConvertAvx2(const double* l, const double* r,
                                                           __m256d noise) {
    const __m128d ls = _mm_loadu_pd(l), rs = _mm_loadu_pd(r);
    const __m256d samples = _mm256_set_m128d(_mm_unpackhi_pd(ls, rs), _mm_unpacklo_pd(ls, rs));
    return Pcm16Lanes(_mm256_cvtpd_ps(_mm256_add_pd(samples, noise)));
}

// InterleavePcm16 for whole groups of four frames, the four generators in one
// AVX2 register: the same steps, sums and roundings as the narrower code, so
// the same samples.
__attribute__((target("avx2"))) void InterleavePcm16Avx2(std::uint64_t* lowState,
                                                         std::uint64_t* highState, double scale,
                                                         const double* left, const double* right,
                                                         int frames, std::int16_t* out) {
    __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lowState));
    __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(highState));
    const __m256d scales = _mm256_set1_pd(scale);
    for (int f = 0; f + 4 <= frames; f += 4) {
        const __m128i first = ConvertAvx2(left + f, right + f, StepAvx2(low, high, scales));
        const __m128i second =
            ConvertAvx2(left + f + 2, right + f + 2, StepAvx2(low, high, scales));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * f), _mm_packs_epi32(first, second));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lowState), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(highState), high);
}

} // namespace
#endif

void TpdfDither::InterleavePcm16(const double* left, const double* right, int frames,
                                 std::int16_t* out) {
#if defined(TONEWELL_DITHER_AVX2)
    // Values left over from the last call go first, a frame's worth at a time.
    const int pending = kLanes - next_;
    if (HasAvx2() && pending % 2 == 0) {
        const int head = std::min(frames, pending / 2);
        InterleavePcm16Narrow(left, right, head, out);
        const int whole = (frames - head) / 4 * 4;
        InterleavePcm16Avx2(low_, high_, 0x1.0p-32 / 32768.0, left + head, right + head, whole,
                            out + 2 * head);
        const int done = head + whole;
        InterleavePcm16Narrow(left + done, right + done, frames - done, out + 2 * done);
        return;
    }
#endif
    InterleavePcm16Narrow(left, right, frames, out);
}

void TpdfDither::InterleavePcm16Narrow(const double* left, const double* right, int frames,
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
