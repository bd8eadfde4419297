// Coordinates, sizes and opacities far outside any sensible range: nothing may be
// written outside the pixels (the sanitizer build checks every access) and the
// visible result must stay what the clipped geometry says.
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "RAST_Blit.h"
#include "RAST_Primitives.h"
#include "RasterTestSupport.h"

namespace {
constexpr Pixel kWhite = 0xFFFFFFFF;
constexpr Pixel kBlack = 0xFF000000;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
} // namespace

TEST(ExtremeInput, LinesAtTheIntLimitsClipExactly) {
    TestBitmap dest(16, 16, kWhite);
    RAST_DrawLine(&dest, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlack, 1.0f, RAST_MODE_COPY, false);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(dest.at(i, i), kBlack);
    EXPECT_EQ(dest.changed(kWhite), 16);
    TestBitmap row(16, 16, kWhite);
    RAST_DrawLine(&row, INT_MIN, 5, INT_MAX, 5, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_DrawLine(&row, INT_MAX, INT_MIN, INT_MAX, INT_MAX, kBlack, 1.0f, RAST_MODE_COPY, false);
    RAST_DrawLine(&row, INT_MIN, INT_MAX, INT_MAX, INT_MAX - 1, kBlack, 1.0f, RAST_MODE_ADD, true);
    RAST_DrawLine(&row, INT_MIN, INT_MIN + 7, INT_MAX, INT_MAX - 3, kBlack, 1.0f, 0x42, true);
    EXPECT_EQ(row.changedBox(kWhite), (std::vector<int>{0, 5, 15, 5}));
    // Sloped lines through extreme ends stay inside.
    TestBitmap sloped(16, 16, kWhite);
    RAST_DrawLine(&sloped, INT_MIN, -3, INT_MAX, 40, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_DrawLine(&sloped, -7, INT_MIN, 9, INT_MAX, kBlack, 1.0f, RAST_MODE_COPY, false);
}

TEST(ExtremeInput, FloatLinesRejectNonFiniteAndHugeValues) {
    TestBitmap dest(16, 16, kWhite);
    for (bool aa : {false, true}) {
        RAST_DrawLineF(&dest, kNaN, 1, 5, 5, kBlack, 1.0f, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, 1, 1, kInf, 5, kBlack, 1.0f, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, -kInf, -kInf, kInf, kInf, kBlack, 1.0f, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, 1, 1, 5, 5, kBlack, kNaN, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, -1e30f, -1e30f, 1e30f, 1e30f, kBlack, 1.0f, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, 3e38f, 2, -3e38f, 9, kBlack, 1.0f, RAST_MODE_COPY, aa);
        RAST_DrawLineF(&dest, 1e20f, 1e20f, 1e20f, -1e20f, kBlack, 1.0f, RAST_MODE_COPY, aa);
    }
    TestBitmap row(16, 16, kWhite);
    RAST_DrawLineF(&row, -1e30f, 5, 1e30f, 5, kBlack, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(row.changedBox(kWhite), (std::vector<int>{0, 5, 14, 5}));
    TestBitmap plain(16, 16, kWhite);
    RAST_DrawLineF(&plain, -1e30f, 5, 1e30f, 5, kBlack, 1.0f, RAST_MODE_COPY, false);
    EXPECT_EQ(plain.changedBox(kWhite), (std::vector<int>{0, 5, 15, 5}));
}

TEST(ExtremeInput, FillsAndBlitsAtTheIntLimits) {
    TestBitmap dest(8, 8, kWhite);
    RAST_FillRectangle(&dest, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlack, 1.0f, RAST_MODE_COPY);
    RAST_FillRectangle(&dest, INT_MAX, 0, INT_MAX, 1, kBlack, 1.0f, RAST_MODE_COPY);
    RAST_FillRectangle(&dest, 0, 0, INT_MIN, INT_MIN, kBlack, 1.0f, RAST_MODE_COPY);
    RAST_FillRectangle(&dest, 0, 0, 8, 8, kBlack, kNaN, RAST_MODE_ADD);
    RAST_FillRectangle(&dest, 0, 0, 8, 8, kBlack, kInf, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(dest.changed(kWhite), 0);
    RAST_FillRectangle(&dest, 0, 0, 8, 8, 0xFF102030, 1e30f, RAST_MODE_MULTIPLY);
    RAST_FillRectangle(&dest, 0, 0, 8, 8, 0xFF102030, -1e30f, RAST_MODE_DODGE);
    RAST_FillRectangle(&dest, -5, -5, INT_MAX, INT_MAX, kBlack, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(dest.changed(kBlack), 0);

    const TestBitmap src(8, 8, kWhite);
    const RAST_Rect all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    RAST_BlitRect(&dest, &src, INT_MIN, INT_MAX, nullptr, 1.0f, RAST_MODE_COPY);
    RAST_BlitRect(&dest, &src, 0, 0, &all, 1.0f, RAST_MODE_COPY);
    RAST_BlitRect(&dest, &src, INT_MAX, INT_MAX, &all, 0.7f, RAST_MODE_ADD);
    RAST_BlitArea(&dest, &src, 0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1.0f, RAST_MODE_COPY);
    RAST_BlitArea(&dest, &src, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1.0f,
                  RAST_MODE_COPY);
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, kNaN, RAST_MODE_COPY);
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, -kInf, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(dest.changed(kBlack), 0);
    // Opacities far beyond opaque are bounded, not undefined.
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, 3e38f, RAST_MODE_MULTIPLY);
    RAST_BlitRect(&dest, &src, 0, 0, nullptr, -3e38f, RAST_MODE_DODGE | RAST_FLAG_SRCALPHA);
}

TEST(ExtremeInput, RotatedCopiesRejectWhatTheyCannotStep) {
    const TestBitmap src(8, 8, kBlack);
    TestBitmap dest(8, 8, kWhite);
    const int filter = RAST_MODE_COPY | RAST_FLAG_FILTER;
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, kNaN, false, 1.0f, filter);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 0, 0, kInf, 8, 0, false, 1.0f, filter);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 1e30f, 0, 8, 8, 0, true, 1.0f, filter);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 0, 0, 1e30f, 8, 1, false, 1.0f, filter);
    RAST_BlitRotated(&dest, &src, 0, 0, INT_MIN, INT_MIN, 0, 0, 8, 8, 0, false, 1.0f, filter);
    RAST_BlitRotated(&dest, &src, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0, 0, 8, 8, 0, false, 1.0f,
                     filter);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, 0, false, 1.0f, filter, kNaN, 0);
    RAST_BlitRotated(&dest, &src, 0, 0, 8, 8, -1e9f, -1e9f, 8, 8, 0, true, 1.0f, filter);
    EXPECT_EQ(dest.changed(kWhite), 0);
    // A huge destination rectangle is cut to the bitmap and scales the source down.
    RAST_BlitRotated(&dest, &src, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 8, 8, 0.5f, false, 1.0f,
                     filter);
    RAST_BlitRotated(&dest, &src, -4, -4, 16, 16, 0, 0, 8, 8, 100.0f, false, 1e30f, filter);
}

TEST(ExtremeInput, ArcsRejectNonFiniteHugeAndNegativeGeometry) {
    TestBitmap dest(16, 16, kWhite);
    for (bool fill : {false, true}) {
        auto arc = fill ? RAST_FillArc : RAST_DrawArc;
        arc(&dest, kNaN, 8, 4, 0, 1, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, kInf, 4, 0, 1, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, kInf, 0, 1, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, 4, -kInf, kInf, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, 4, 0, kNaN, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, 4, 0, 7, kBlack, kNaN, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, -4, 0, 7, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, 1e30f, 0, 7, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 1e30f, -1e30f, 4, 0, 7, kBlack, 1.0f, RAST_MODE_COPY, true);
        arc(&dest, 8, 8, 4, 0, 7, kBlack, 1.0f, 0x42, true);
    }
    EXPECT_EQ(dest.changed(kWhite), 0);
    // Extreme but finite: bounded work, clipped writes.
    RAST_DrawArc(&dest, 8, 8, 4, 1e30f, 1e30f, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_DrawArc(&dest, 8, 8, 4, -3e38f, -3e38f, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_FillArc(&dest, -60000, 9000, 65000, -1, 2, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_DrawArc(&dest, 8, 8, 200000, 0, 7, kBlack, 1e30f, RAST_MODE_COPY, true);
    RAST_RasterCircle(&dest, 8, 8, 4, kBlack, INT_MAX, true, true, RAST_MODE_COPY, nullptr);
    const RAST_Rect inverted{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    RAST_RasterCircle(&dest, 8, 8, 4, kBlack, 256, true, true, RAST_MODE_COPY, &inverted);
    const RAST_Rect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    RAST_RasterCircle(&dest, 8, 8, 20, kBlack, 256, false, true, RAST_MODE_COPY, &huge);
}
