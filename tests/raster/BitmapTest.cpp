#include <climits>
#include <cstdint>
#include <gtest/gtest.h>

#include "RAST_LazyBitmap.h"
#include "RAST_MemBitmap.h"
#include "RAST_SysBitmap.h"

TEST(MemBitmap, EmptyBitmapHasNoPixels) {
    RAST_MemBitmap bitmap(0, 0, 4);
    EXPECT_EQ(bitmap.pixelData(), nullptr);
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(bitmap.rowStride(), 0);
    EXPECT_FALSE(bitmap.resize(0, 0));
    EXPECT_EQ(bitmap.deviceContext(), nullptr);
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_SCALE, nullptr), 0);
}

TEST(MemBitmap, GrowsByAQuarterAndNeverShrinks) {
    RAST_MemBitmap bitmap(10, 10, 4);
    EXPECT_EQ(bitmap.rowStride(), 12);
    EXPECT_EQ(bitmap.capacity(), 480);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bitmap.pixelData()) % 64, 0u);
    EXPECT_TRUE(bitmap.resize(12, 12));
    EXPECT_EQ(bitmap.capacity(), 720);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bitmap.pixelData()) % 64, 0u);
    Pixel* const kept = bitmap.pixelData();
    EXPECT_TRUE(bitmap.resize(10, 10));
    EXPECT_EQ(bitmap.capacity(), 720);
    EXPECT_EQ(bitmap.pixelData(), kept);
    EXPECT_FALSE(bitmap.resize(10, 10));
    // The whole block is writable.
    for (int i = 0; i < bitmap.rowStride() * bitmap.height(); ++i)
        bitmap.pixelData()[i] = 0xFFFFFFFF;
}

TEST(MemBitmap, RowAlignmentUsesTheLowestSetBit) {
    EXPECT_EQ(RAST_MemBitmap(5, 1, 0).rowStride(), 5);
    EXPECT_EQ(RAST_MemBitmap(5, 1, 1).rowStride(), 5);
    EXPECT_EQ(RAST_MemBitmap(5, 1, 8).rowStride(), 8);
    EXPECT_EQ(RAST_MemBitmap(5, 1, 12).rowStride(), 8); // lowest bit of 12 is 4
}

TEST(MemBitmap, RefusesAbsurdSizesAndEmptiesOnNonPositiveOnes) {
    RAST_MemBitmap bitmap(8, 8, 4);
    Pixel* const pixels = bitmap.pixelData();
    EXPECT_FALSE(bitmap.resize(RAST_MAX_DIMENSION + 1, 8));
    EXPECT_FALSE(bitmap.resize(INT_MAX, INT_MAX));
    EXPECT_FALSE(bitmap.resize(8, INT_MAX));
    EXPECT_EQ(bitmap.width(), 8);
    EXPECT_EQ(bitmap.pixelData(), pixels);
    EXPECT_TRUE(bitmap.resize(INT_MIN, 5));
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(bitmap.height(), 0);
    EXPECT_EQ(bitmap.pixelData(), nullptr);
    EXPECT_EQ(bitmap.capacity(), 0);
}

TEST(SysBitmap, KeepsItsStoreWhenShrunk) {
    RAST_SysBitmap bitmap(100, 50);
    ASSERT_NE(bitmap.pixelData(), nullptr);
    EXPECT_EQ(bitmap.rowStride(), 100);
    Pixel* const pixels = bitmap.pixelData();
    EXPECT_TRUE(bitmap.resize(90, 40));
    EXPECT_EQ(bitmap.width(), 90);
    EXPECT_EQ(bitmap.rowStride(), 100);
    EXPECT_EQ(bitmap.pixelData(), pixels);
    EXPECT_FALSE(bitmap.resize(90, 40));
    for (int i = 0; i < 100 * 40; ++i)
        pixels[i] = 0xFFFFFFFF;
    // A new store starts transparent black, whatever the old one held.
    EXPECT_TRUE(bitmap.resize(101, 10));
    EXPECT_EQ(bitmap.rowStride(), 104);
    for (int i = 0; i < bitmap.rowStride() * bitmap.height(); ++i)
        ASSERT_EQ(bitmap.pixelData()[i], 0u) << i;
#ifdef _WIN32
    EXPECT_NE(bitmap.deviceContext(), nullptr);
#else
    EXPECT_EQ(bitmap.deviceContext(), nullptr);
#endif
}

TEST(SysBitmap, RefusesAbsurdSizesAndAnswersScaleQueries) {
    RAST_SysBitmap bitmap(16, 16);
    EXPECT_FALSE(bitmap.resize(INT_MAX, 16));
    EXPECT_EQ(bitmap.width(), 16);
    EXPECT_FALSE(bitmap.resize(0, 0));
    EXPECT_EQ(bitmap.pixelData(), nullptr);
    EXPECT_TRUE(bitmap.resize(16, 16));

    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_SCALE, nullptr), 0);
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_EFFECTIVE_SCALE, nullptr), 0);
    int hint = 384;
    EXPECT_EQ(bitmap.extension(RAST_EXT_SET_HINT_SCALE, &hint), 1);
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_HINT_SCALE, nullptr), 384);
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_EFFECTIVE_SCALE, nullptr), 384);
    int scale = 512;
    EXPECT_EQ(bitmap.extension(RAST_EXT_SET_SCALE, &scale), 1);
    EXPECT_EQ(bitmap.width(), 16);
    EXPECT_EQ(bitmap.rowStride(), 32); // pixels at twice the logical size
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_EFFECTIVE_SCALE, nullptr), 768);
    scale = INT_MAX; // bounded, never overflows the size arithmetic
    EXPECT_EQ(bitmap.extension(RAST_EXT_SET_SCALE, &scale), 1);
    EXPECT_EQ(bitmap.extension(RAST_EXT_SET_SCALE, nullptr), 1);
    EXPECT_EQ(bitmap.extension(RAST_EXT_GET_SCALE, nullptr), 0);
    EXPECT_EQ(bitmap.extension(0x1234, nullptr), 0);
}

TEST(LazyBitmap, FillsOnceOnFirstUseAndAFailedFillLeavesItClear) {
    int fills = 0;
    RAST_LazyBitmap lazy(3, 2, [&fills](RAST_MemBitmap& target) {
        ++fills;
        for (int y = 0; y < target.height(); ++y)
            for (int x = 0; x < target.width(); ++x)
                target.pixelData()[y * target.rowStride() + x] = Pixel(10 * y + x);
        return true;
    });
    EXPECT_EQ(lazy.width(), 3);
    EXPECT_EQ(lazy.height(), 2);
    EXPECT_FALSE(lazy.IsMade());
    EXPECT_EQ(fills, 0);
    ASSERT_NE(lazy.pixelData(), nullptr);
    EXPECT_EQ(lazy.pixelData()[lazy.rowStride() + 2], 12u);
    lazy.pixelData();
    EXPECT_EQ(fills, 1);
    EXPECT_TRUE(lazy.IsMade());

    // Half-written and failed, or resized by the fill: transparent at the announced size.
    for (const bool resizes : {false, true}) {
        RAST_LazyBitmap broken(3, 2, [resizes](RAST_MemBitmap& target) {
            target.pixelData()[0] = 0xFFFFFFFFu;
            if (resizes) target.resize(5, 5);
            return resizes;
        });
        ASSERT_NE(broken.pixelData(), nullptr);
        EXPECT_EQ(broken.width(), 3);
        EXPECT_EQ(broken.height(), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(broken.pixelData()[y * broken.rowStride() + x], 0u);
    }

    // Equal recipes are equal pixels; a null source is never known equal.
    int source = 0;
    const auto none = [](RAST_MemBitmap&) { return true; };
    RAST_LazyBitmap a(4, 4, none, {&source, 2, 0}), b(4, 4, none, {&source, 2, 0});
    RAST_LazyBitmap c(4, 4, none, {&source, 1, 0}), d(4, 4, none), e(4, 4, none);
    EXPECT_TRUE(a.SameRecipe(b));
    EXPECT_FALSE(a.SameRecipe(c));
    EXPECT_FALSE(d.SameRecipe(e));
}
