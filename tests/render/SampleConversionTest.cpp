#include "SampleConversion.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

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
