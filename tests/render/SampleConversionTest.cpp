#include "SampleConversion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "TpdfDither.h"

namespace tonewell::render {
namespace {

TEST(SampleConversion, Pcm16RoundsToNearestAndClips) {
    struct Case {
        double sample;
        std::int16_t expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {0.0, 0},
        {207.97 / 32768.0, 208}, // nearest, not truncated
        {-207.97 / 32768.0, -208},
        {2.5 / 32768.0, 2}, // ties to even
        {3.5 / 32768.0, 4},
        {-2.5 / 32768.0, -2},
        {32766.6 / 32768.0, 32767},
        {1.0, 32767}, // full scale and beyond clip
        {1.7, 32767},
        {-1.0, -32768},
        {-2.0, -32768},
        {1e300, 32767},
        {-std::numeric_limits<double>::infinity(), -32768},
        {nan, 0},
    };
    // Every value on each channel at every position, so the four-frame
    // loop and the remainder are both held to the same rule.
    const int count = static_cast<int>(std::size(cases));
    for (int shift = 0; shift < count; ++shift) {
        std::vector<double> left(count), right(count);
        for (int i = 0; i < count; ++i) {
            left[i] = cases[(i + shift) % count].sample;
            right[i] = cases[(i + shift + 1) % count].sample;
        }
        std::vector<std::int16_t> out(2 * count);
        InterleavePcm16(left.data(), right.data(), count, out.data());
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(out[2 * i], cases[(i + shift) % count].expected) << left[i];
            EXPECT_EQ(out[2 * i + 1], cases[(i + shift + 1) % count].expected) << right[i];
        }
    }
}

TEST(SampleConversion, PeakIsTheLargestMagnitudeAndPassesOverNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> base{0.1, -0.2, nan, 0.3, 0.05, nan, 0.25, 0.15, -0.1};
    // The largest value at every position, so the pairs and the remainder
    // are both covered.
    for (size_t at = 0; at < base.size(); ++at) {
        std::vector<double> samples = base;
        samples[at] = -0.7;
        const int count = static_cast<int>(samples.size());
        EXPECT_EQ(PeakMagnitude(samples.data(), count, 0.0), 0.7) << at;
        EXPECT_EQ(PeakMagnitude(samples.data(), count, 0.9), 0.9) << at;
    }
    EXPECT_EQ(PeakMagnitude(base.data(), 0, 0.5), 0.5);
}

} // namespace
} // namespace tonewell::render

namespace tonewell::render {
namespace {

TEST(TpdfDither, SameNoiseHoweverTheStreamIsCutAndTriangularWithinOneStep) {
    constexpr int kCount = 40000;
    constexpr double kStep = 1.0 / 32768.0;
    std::vector<double> in(kCount);
    for (int i = 0; i < kCount; ++i)
        in[i] = 0.5 * std::sin(0.01 * i);
    std::vector<double> whole(kCount);
    TpdfDither().Apply(in.data(), whole.data(), kCount, kStep);

    // Cut into pieces of every length from 1 to 9: the vector steps and the
    // one-at-a-time remainder must continue the same stream.
    TpdfDither cut;
    std::vector<double> pieces(in);
    for (int at = 0, length = 1; at < kCount; at += length, length = length % 9 + 1)
        cut.Apply(pieces.data() + at, pieces.data() + at, std::min(length, kCount - at), kStep);
    ASSERT_EQ(pieces, whole);

    double sum = 0, squares = 0;
    for (int i = 0; i < kCount; ++i) {
        const double noise = (whole[i] - in[i]) / kStep;
        ASSERT_LT(std::fabs(noise), 1.0);
        sum += noise;
        squares += noise * noise;
    }
    // TPDF of +-1 step: mean 0, variance 1/6.
    EXPECT_NEAR(sum / kCount, 0.0, 0.01);
    EXPECT_NEAR(squares / kCount, 1.0 / 6.0, 0.005);
}

} // namespace
} // namespace tonewell::render

namespace tonewell::render {
namespace {

TEST(TpdfDither, SixteenBitSamplesAreTheInterleavedSamplesDitheredAndConverted) {
    constexpr int kFrames = 10001;
    std::vector<double> left(kFrames), right(kFrames), interleaved(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        left[i] = 1.2 * std::sin(0.003 * i); // clips at the crests
        right[i] =
            i % 997 == 0 ? std::numeric_limits<double>::quiet_NaN() : 0.3 * std::cos(0.1 * i);
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
    }
    TpdfDither().Apply(interleaved.data(), interleaved.data(), 2 * kFrames, 1.0 / 32768.0);
    std::vector<std::int16_t> expected(2 * kFrames);
    for (int k = 0; k < 2 * kFrames; ++k)
        expected[k] = Pcm16Sample(interleaved[k]);

    // In pieces of 1 to 9 frames, so the vector runs start at every offset.
    TpdfDither cut;
    std::vector<std::int16_t> out(2 * kFrames);
    for (int at = 0, length = 1; at < kFrames; at += length, length = length % 9 + 1)
        cut.InterleavePcm16(left.data() + at, right.data() + at, std::min(length, kFrames - at),
                            out.data() + 2 * at);
    EXPECT_EQ(out, expected);
}

} // namespace
} // namespace tonewell::render
