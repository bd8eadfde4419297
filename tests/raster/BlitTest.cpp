#include <cmath>
#include <gtest/gtest.h>

#include "RAST_Blit.h"
#include "RAST_Combiners.h"
#include "RAST_MemBitmap.h"
#include "RasterTestSupport.h"

namespace {
// Source whose pixel (x, y) is 0xFF000000 | y << 8 | x, so positions are readable.
TestBitmap NumberedBitmap(int w, int h, bool bottomUp = false) {
    TestBitmap bitmap(w, h, 0, bottomUp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap.at(x, y) = 0xFF000000u | Pixel(y) << 8 | Pixel(x);
    return bitmap;
}
Pixel Numbered(int x, int y) {
    return 0xFF000000u | Pixel(y) << 8 | Pixel(x);
}
} // namespace

TEST(BlitRect, ClipsOnEverySide) {
    const TestBitmap src = NumberedBitmap(8, 8);
    TestBitmap dest(6, 6);
    RAST_BlitRect(&dest, &src, -5, 0, nullptr, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(dest.at(0, 0), Numbered(5, 0)); // the first five columns are skipped
    EXPECT_EQ(dest.at(2, 5), Numbered(7, 5));
    EXPECT_EQ(dest.at(3, 0), 0u);

    TestBitmap shifted(6, 6);
    const RAST_Rect rect{-3, 1, 4, 3};
    RAST_BlitRect(&shifted, &src, 0, 0, &rect, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(shifted.at(3, 0), Numbered(0, 1)); // left -3 moves the copy right by 3
    EXPECT_EQ(shifted.at(5, 1), Numbered(2, 2));
    EXPECT_EQ(shifted.changed(0), 6);

    TestBitmap corner(6, 6);
    RAST_BlitRect(&corner, &src, 4, 5, nullptr, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(corner.changed(0), 2);
    EXPECT_EQ(corner.at(5, 5), Numbered(1, 0));
    RAST_BlitArea(&corner, &src, 0, -8, 0, 0, 8, 8, 1.0f, RAST_MODE_COPY);
    RAST_BlitArea(&corner, &src, 6, 0, 0, 0, 8, 8, 1.0f, RAST_MODE_COPY);
    RAST_BlitArea(&corner, &src, 0, 0, 8, 0, 8, 8, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(corner.changed(0), 2);
}

TEST(BlitRect, HonoursBottomUpRowsOnEitherSide) {
    const TestBitmap src = NumberedBitmap(4, 4, true);
    TestBitmap dest(4, 4, 0, false), flipped(4, 4, 0, true);
    RAST_BlitArea(&dest, &src, 0, -1, 1, 0, 2, 4, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(dest.at(0, 0), Numbered(1, 1));
    EXPECT_EQ(dest.at(1, 2), Numbered(2, 3));
    RAST_BlitArea(&flipped, &src, 0, 0, 0, 0, 4, 4, 0.5f, RAST_MODE_COPY);
    EXPECT_EQ(flipped.at(3, 0), ((Numbered(3, 0) >> 1) & 0x7F7F7F7F));
    EXPECT_EQ(flipped.pixelData()[0], ((Numbered(0, 3) >> 1) & 0x7F7F7F7F));
}

TEST(BlitRect, HalfAlphaShortcutDiffersFromTheFormula) {
    const TestBitmap white(2, 1, 0xFFFFFFFF);
    TestBitmap dest(2, 1, 0);
    RAST_BlitRect(&dest, &white, 0, 0, nullptr, 0.5f, RAST_MODE_COPY);
    EXPECT_EQ(dest.at(0, 0), 0x7F7F7F7Fu);
    TestBitmap formula(2, 1, 0);
    RAST_BlitRect(&formula, &white, 0, 0, nullptr, 0.5001f, RAST_MODE_COPY);
    EXPECT_EQ(formula.at(0, 0), 0x80808080u); // 255 - 255 x 128 / 256 truncated toward zero
}

TEST(BlitRect, BlendModesAndNothingCases) {
    TestBitmap src(3, 1);
    src.at(0, 0) = 0x00FFFFFF; // transparent: left alone
    src.at(1, 0) = 0xFF102030;
    src.at(2, 0) = 0x80000000;
    TestBitmap dest(3, 1, 0xFFFFFFFF);
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, 1.0f, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(dest.at(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dest.at(1, 0), 0xFF102030u);
    EXPECT_EQ(dest.at(2, 0), 0xFF7E7E7Eu);

    TestBitmap added(3, 1, 0x10101010);
    RAST_BlitRect(&added, &src, 0, 0, nullptr, 1.0f, RAST_MODE_ADD | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(added.at(1, 0), 0xFF203040u);

    TestBitmap untouched(3, 1, 0x55555555);
    RAST_BlitRect(&untouched, &src, 0, 0, nullptr, 0.0f, RAST_MODE_COPY);
    RAST_BlitRect(&untouched, &src, 0, 0, nullptr, -0.5f, RAST_MODE_COPY);
    RAST_BlitRect(&untouched, &src, 0, 0, nullptr, 0.001f, RAST_MODE_ADD); // weight 0
    RAST_BlitRect(&untouched, &src, 0, 0, nullptr, 1.0f, 0x42);            // unknown mode
    RAST_BlitRect(&untouched, nullptr, 0, 0, nullptr, 1.0f, RAST_MODE_COPY);
    RAST_BlitRect(nullptr, &src, 0, 0, nullptr, 1.0f, RAST_MODE_COPY);
    RAST_MemBitmap empty(0, 0, 4);
    RAST_BlitRect(&untouched, &empty, 0, 0, nullptr, 1.0f, RAST_MODE_COPY);
    RAST_BlitRect(&empty, &src, 0, 0, nullptr, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(untouched.changed(0x55555555), 0);

    // Channel copy: source red (byte 2) into destination alpha (byte 3): mode 0xF0 | 2 | 3 << 2.
    TestBitmap channels(3, 1, 0);
    RAST_BlitRect(&channels, &src, 0, 0, nullptr, 0.3f, 0xFE);
    EXPECT_EQ(channels.at(1, 0), 0x10000000u);
}

TEST(BlitRotated, AngleZeroCopiesTheInteriorExactly) {
    const TestBitmap src = NumberedBitmap(10, 10);
    for (int mode : {RAST_MODE_COPY, RAST_MODE_COPY | RAST_FLAG_FILTER}) {
        TestBitmap dest(6, 6);
        RAST_BlitRotated(&dest, &src, 0, 0, 6, 6, 2, 3, 6, 6, 0.0f, false, 1.0f, mode);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(dest.at(x, y), Numbered(2 + x, 3 + y)) << x << "," << y << " " << mode;
    }
}

TEST(BlitRotated, QuarterTurnIsClockwise) {
    // Sample positions are pixel corners: a quarter turn of an 8 x 8 square takes
    // destination (x, y) from source (y, 8 - x); column 0 falls beyond the source.
    TestBitmap src = NumberedBitmap(8, 8);
    src.at(2, 1) = 0xFFFFFFFF; // near the top left: lands near the top right
    TestBitmap dest(8, 8);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, float(kRasterTestPi / 2), false, 1.0f,
                     RAST_MODE_COPY);
    EXPECT_EQ(dest.at(7, 2), 0xFFFFFFFFu);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(dest.at(0, y), 0u);
        for (int x = 1; x < 8; ++x) {
            if (x == 7 && y == 2) continue;
            ASSERT_EQ(dest.at(x, y), Numbered(y, 8 - x)) << x << "," << y;
        }
    }
}

TEST(BlitRotated, FilterInterpolatesOnlyInsideTheSource) {
    TestBitmap src(3, 2);
    src.at(0, 0) = 0xFF000000;
    src.at(1, 0) = 0xFF0000FE;
    src.at(2, 0) = 0xFF00FF00;
    src.at(0, 1) = 0xFFFF0000;
    src.at(1, 1) = 0xFF000000;
    src.at(2, 1) = 0xFF0000FF;
    TestBitmap dest(3, 2, 0x12345678);
    // Half a pixel to the right: each pixel averages with its right neighbour.
    RAST_BlitRotated(&dest, &src, 0, 0, 3, 2, 0.5f, 0, 3, 2, 0.0f, false, 1.0f,
                     RAST_MODE_COPY | RAST_FLAG_FILTER);
    EXPECT_EQ(dest.at(0, 0), 0xFF00007Fu);
    EXPECT_EQ(dest.at(1, 0), 0xFF007F7Fu);
    EXPECT_EQ(dest.at(2, 0), 0xFF00FF00u); // last column: along y only (fv = 0)
    EXPECT_EQ(dest.at(0, 1), 0xFF7F0000u); // last row: along x only
    EXPECT_EQ(dest.at(2, 1), 0xFF0000FFu); // last corner: itself

    TestBitmap beyond(3, 1, 0x12345678);
    RAST_BlitRotated(&beyond, &src, 0, 0, 3, 1, 1.5f, 0, 3, 1, 0.0f, false, 1.0f,
                     RAST_MODE_COPY | RAST_FLAG_FILTER);
    EXPECT_EQ(beyond.at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(beyond.at(2, 0), 0x12345678u); // beyond the last column: left alone
}

TEST(BlitRotated, FilteredSourceAlphaTurnsSkipClearPixelsInEitherRowOrder) {
    // The knobs' case (filtered, source alpha) runs its own loop: it must keep
    // clear pixels untouched and read bottom-up sources like top-down ones.
    TestBitmap src(9, 9), flipped(9, 9, 0, true);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = (x - 4) * (x - 4) + (y - 4) * (y - 4) <= 12;
            const Pixel p = inside ? RAST_MakePixel(255 - 20 * x, 25 * y, 200, 30 * x) : 0;
            src.at(x, y) = flipped.at(x, y) = p;
        }
    const int mode = RAST_MODE_COPY | RAST_FLAG_SRCALPHA | RAST_FLAG_FILTER;
    TestBitmap top(13, 13, 0xFF102030), bottom(13, 13, 0xFF102030);
    RAST_BlitRotated(&top, &src, 2, 2, 9, 9, 0.3f, 0.2f, 9, 9, 0.7f, false, 0.8f, mode);
    RAST_BlitRotated(&bottom, &flipped, 2, 2, 9, 9, 0.3f, 0.2f, 9, 9, 0.7f, false, 0.8f, mode);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(top.at(x, y), bottom.at(x, y)) << x << "," << y;
        }
    EXPECT_EQ(top.at(2, 2), 0xFF102030u); // a clear corner of the source
    EXPECT_NE(top.at(6, 6), 0xFF102030u);
}

TEST(BlitRotated, MirrorsWithNegativeSizes) {
    // Corner positions again: the mirror takes x from 4 - x.
    const TestBitmap src = NumberedBitmap(4, 1);
    TestBitmap dest(4, 1);
    RAST_BlitRotated(&dest, &src, 4, 0, -4, 1, 0, 0, 4, 1, 0.0f, false, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(dest.at(0, 0), 0u);
    EXPECT_EQ(dest.at(1, 0), Numbered(3, 0));
    EXPECT_EQ(dest.at(3, 0), Numbered(1, 0));
}

TEST(BlitRect, OpaqueSourceAlphaRowsMatchTheCombiner) {
    // The full-weight source-alpha copy runs four pixels at a time; every
    // pixel, tail included, must equal the combiner's result.
    TestBitmap src(67, 9), dest(67, 9), expected(67, 9);
    unsigned seed = 7;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 67; ++x) {
            seed = seed * 1664525u + 1013904223u;
            src.at(x, y) = seed;
            seed = seed * 1664525u + 1013904223u;
            dest.at(x, y) = expected.at(x, y) = seed;
        }
    const Pixel specials[] = {0x00FFFFFF, 0xFF000000, 0x80FFFFFF, 0x01000000, 0xFE123456};
    for (int i = 0; i < 5; ++i)
        src.at(i, 0) = specials[i];
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, 1.0f, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 67; ++x) {
            const Pixel s = src.at(x, y);
            RAST_CombineCopySrcAlpha(expected.at(x, y), int((s >> 16) & 0xFF), int((s >> 8) & 0xFF),
                                     int(s & 0xFF), int(s >> 24), 256);
            ASSERT_EQ(dest.at(x, y), expected.at(x, y)) << x << "," << y;
        }
}
