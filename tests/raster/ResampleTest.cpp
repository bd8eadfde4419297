#include <gtest/gtest.h>

#include "RAST_Resample.h"
#include "RasterTestSupport.h"

namespace {
int Blue(Pixel p) {
    return int(p & 0xFF);
}
} // namespace

TEST(ResampleTest, ShrinkingAveragesTheCoveredAreaAndEnlargingInterpolates) {
    // A row of blues 0, 30, 60, ... 150 (six pixels), two rows high.
    TestBitmap source(6, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            source.at(x, y) = RAST_MakePixel(255, 0, 0, 30 * x);

    // 6 -> 3: pairs. 6 -> 4: each target pixel covers 1.5 source pixels.
    TestBitmap half(3, 1), fractional(4, 1);
    ASSERT_TRUE(RAST_Resample(&source, 0, 0, 6, 2, &half, 0, 0, 3, 1));
    EXPECT_EQ(Blue(half.at(0, 0)), 15);
    EXPECT_EQ(Blue(half.at(2, 0)), 135);
    ASSERT_TRUE(RAST_Resample(&source, 0, 0, 6, 2, &fractional, 0, 0, 4, 1));
    EXPECT_EQ(Blue(fractional.at(0, 0)), 10); // (0 + 30 / 2) / 1.5
    EXPECT_EQ(Blue(fractional.at(1, 0)), 50); // (30 / 2 + 60) / 1.5

    // 6 -> 12: between neighbours, and the outermost pixels held at the edges.
    TestBitmap doubled(12, 1);
    ASSERT_TRUE(RAST_Resample(&source, 0, 0, 6, 1, &doubled, 0, 0, 12, 1));
    EXPECT_EQ(Blue(doubled.at(0, 0)), 0);
    EXPECT_EQ(Blue(doubled.at(1, 0)), 8); // a quarter of the way to 30
    EXPECT_EQ(Blue(doubled.at(11, 0)), 150);

    // Transparent pixels lend no colour; the alpha itself is averaged.
    TestBitmap edge(2, 1);
    edge.at(0, 0) = RAST_MakePixel(255, 255, 0, 0);
    edge.at(1, 0) = 0;
    TestBitmap one(1, 1);
    ASSERT_TRUE(RAST_Resample(&edge, 0, 0, 2, 1, &one, 0, 0, 1, 1));
    EXPECT_EQ(one.at(0, 0), RAST_MakePixel(128, 255, 0, 0));

    // Areas outside either bitmap, or empty, are refused and nothing is written.
    TestBitmap untouched(2, 2, 7);
    EXPECT_FALSE(RAST_Resample(&source, 5, 0, 2, 1, &untouched, 0, 0, 1, 1));
    EXPECT_FALSE(RAST_Resample(&source, 0, 0, 6, 2, &untouched, 1, 1, 2, 1));
    EXPECT_FALSE(RAST_Resample(&source, 0, 0, 0, 2, &untouched, 0, 0, 1, 1));
    EXPECT_FALSE(RAST_Resample(nullptr, 0, 0, 1, 1, &untouched, 0, 0, 1, 1));
    EXPECT_EQ(untouched.changed(7), 0);
}
