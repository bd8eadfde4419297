#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "RAST_Primitives.h"
#include "RasterTestSupport.h"

namespace {
constexpr Pixel kWhite = 0xFFFFFFFF;
constexpr Pixel kBlack = 0xFF000000;
constexpr float kPi = float(kRasterTestPi);
using Box = std::vector<int>;
} // namespace

TEST(FillRectangle, ClipsAndTakesShortcutsOnTheTruncatedWeight) {
    for (float alpha : {0.25f, 0.2501f}) { // both weigh 64
        TestBitmap dest(16, 2, kWhite);
        RAST_FillRectangle(&dest, -10, 0, 20, 5, 0x00000000, alpha, RAST_MODE_COPY);
        EXPECT_EQ(dest.at(0, 0), 0xBEBEBEBEu);
        EXPECT_EQ(dest.at(9, 1), 0xBEBEBEBEu);
        EXPECT_EQ(dest.changed(kWhite), 20);
    }
    TestBitmap half(2, 1, 0);
    RAST_FillRectangle(&half, 0, 0, 2, 1, kWhite, 0.5f, RAST_MODE_COPY);
    EXPECT_EQ(half.at(0, 0), 0x7F7F7F7Fu); // the formula would give 0x80
    TestBitmap most(1, 1, kWhite);
    RAST_FillRectangle(&most, 0, 0, 1, 1, 0x00000000, 0.75f, RAST_MODE_COPY);
    EXPECT_EQ(most.at(0, 0), 0x3F3F3F3Fu);
    TestBitmap formula(1, 1, kWhite);
    RAST_FillRectangle(&formula, 0, 0, 1, 1, 0x00000000, 0.3f, RAST_MODE_COPY);
    EXPECT_EQ(formula.at(0, 0), 0xB3B3B3B3u); // w 76: 255 x 180 / 256 = 179
}

TEST(FillRectangle, SourceAlphaScalesTheOpacity) {
    TestBitmap dest(4, 4, kWhite);
    RAST_FillRectangle(&dest, 0, 0, 4, 4, 0x00FF0000, 1.0f, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(dest.changed(kWhite), 0);
    RAST_FillRectangle(&dest, 0, 0, 4, 4, 0x80FF0000, 1.0f, RAST_MODE_COPY);
    EXPECT_EQ(dest.at(3, 3), 0x80FF0000u); // replaces the destination alpha
    TestBitmap blended(1, 1, kWhite);
    // 128 x 0.003921569 weighs 128: the half shortcut, alpha byte included.
    RAST_FillRectangle(&blended, 0, 0, 1, 1, 0x80000000, 1.0f, RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(blended.at(0, 0), 0xBF7F7F7Fu);
    TestBitmap added(1, 1, 0x10101010);
    RAST_FillRectangle(&added, 0, 0, 1, 1, 0xFF102030, 1.0f, RAST_MODE_ADD);
    EXPECT_EQ(added.at(0, 0), 0xFF203040u);
}

TEST(DrawLine, ClipsAndUsesExactFloatShortcuts) {
    TestBitmap dest(4, 5, kWhite);
    RAST_DrawLine(&dest, -5, 3, 5, 3, kBlack, 1.0f, RAST_MODE_COPY, false);
    EXPECT_EQ(dest.changedBox(kWhite), (Box{0, 3, 3, 3}));
    RAST_DrawLine(&dest, 0, -3, 3, -1, kBlack, 1.0f, RAST_MODE_COPY, false);
    RAST_DrawLine(&dest, 9, 0, 9, 4, kBlack, 1.0f, RAST_MODE_COPY, false);
    EXPECT_EQ(dest.changed(kWhite), 4);

    TestBitmap quarter(1, 3, kWhite);
    RAST_DrawLine(&quarter, 0, 0, 0, 0, 0x00000000, 0.25f, RAST_MODE_COPY, false);
    RAST_DrawLine(&quarter, 0, 1, 0, 1, 0x00000000, 0.2501f, RAST_MODE_COPY, false);
    EXPECT_EQ(quarter.at(0, 0), 0xBEBEBEBEu);
    EXPECT_EQ(quarter.at(0, 1), 0xBFBFBFBFu); // general formula: 255 x 192 / 256 = 191

    TestBitmap halves(2, 1, 0x01010101);
    RAST_DrawLine(&halves, 0, 0, 0, 0, 0x01010101, 0.5f, RAST_MODE_COPY, false);
    RAST_DrawLine(&halves, 1, 0, 1, 0, 0x01010101, 0.5001f, RAST_MODE_COPY, false);
    EXPECT_EQ(halves.at(0, 0), 0u);          // shifts lose the low bits
    EXPECT_EQ(halves.at(1, 0), 0x01010101u); // weight 128: channel means
}

TEST(DrawLine, DiagonalsAndBottomUpRows) {
    TestBitmap dest(6, 6, kWhite, true);
    RAST_DrawLine(&dest, 5, 0, 0, 5, kBlack, 1.0f, RAST_MODE_COPY, true);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(dest.at(5 - i, i), kBlack);
    EXPECT_EQ(dest.changed(kWhite), 6);
    TestBitmap row(3, 3, kWhite, true);
    RAST_DrawLine(&row, 0, 0, 2, 0, kBlack, 1.0f, RAST_MODE_COPY, false);
    EXPECT_EQ(row.changedBox(kWhite), (Box{0, 0, 2, 0}));
    EXPECT_EQ(row.pixelData()[2 * 3], kBlack); // logical row 0 is the last in memory
}

TEST(DrawLineF, AxisParallelLinesWriteOneFullWeightRun) {
    TestBitmap dest(32, 32, kWhite);
    RAST_DrawLineF(&dest, 10, 2, 10, 20, 0x00000000, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(dest.changedBox(kWhite), (Box{10, 2, 10, 20}));
    EXPECT_EQ(dest.at(10, 11), 0u);
    RAST_DrawLineF(&dest, 3, 3, 3, 3, kBlack, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(dest.changed(kWhite), 19);

    TestBitmap wide(100, 10, kWhite);
    RAST_DrawLineF(&wide, 50, 4.5f, 150, 4.5f, kBlack, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(wide.changedBox(kWhite), (Box{50, 4, 98, 5})); // cut one pixel inside
}

TEST(DrawLineF, SlopedLinesEndOnFullWeightPixels) {
    TestBitmap up(10, 10, kWhite), down(10, 10, kWhite);
    RAST_DrawLineF(&up, 0, 0, 8, 4, 0x00000000, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(up.at(0, 0), 0u);
    EXPECT_EQ(up.at(8, 4), 0u);
    EXPECT_EQ(up.at(8, 5), kWhite);
    RAST_DrawLineF(&down, 0, 4, 8, 0, 0x00000000, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(down.at(0, 4), 0u);
    EXPECT_EQ(down.at(0, 5), kWhite);
    EXPECT_EQ(down.at(8, 0), 0u);
    EXPECT_EQ(down.changedBox(kWhite), (Box{0, 0, 8, 4}));
}

TEST(DrawArc, QuarterStaysInsideItsBox) {
    TestBitmap dest(100, 100, kWhite);
    RAST_DrawArc(&dest, 50, 50, 10, 0, kPi / 2, kBlack, 1.0f, RAST_MODE_COPY, true);
    const Box box = dest.changedBox(kWhite);
    EXPECT_GE(box[0], 50);
    EXPECT_GE(box[1], 40);
    EXPECT_LE(box[2], 61);
    EXPECT_LE(box[3], 50);
    EXPECT_EQ(dest.at(50, 39), kWhite); // outer fringe outside the box
    EXPECT_EQ(dest.at(50, 40), kBlack); // inner cardinal pixels at full weight
    EXPECT_EQ(dest.at(60, 50), kBlack);
    EXPECT_EQ(dest.at(49, 40), kWhite);
}

TEST(DrawArc, SwappedAnglesAndFullTurns) {
    TestBitmap a(40, 40, kWhite), b(40, 40, kWhite), full(40, 40, kWhite), circle(40, 40, kWhite);
    RAST_DrawArc(&a, 20, 20, 7.5f, 0.3f, 2.9f, kBlack, 0.8f, RAST_MODE_COPY, true);
    RAST_DrawArc(&b, 20, 20, 7.5f, 2.9f, 0.3f, kBlack, 0.8f, RAST_MODE_COPY, true);
    EXPECT_EQ(std::vector<Pixel>(a.pixelData(), a.pixelData() + 1600),
              std::vector<Pixel>(b.pixelData(), b.pixelData() + 1600));
    EXPECT_GT(a.changed(kWhite), 0);
    RAST_DrawArc(&full, 20, 20, 10, -1.0f, 6.0f, kBlack, 1.0f, RAST_MODE_COPY, true);
    RAST_RasterCircle(&circle, 20, 20, 10, kBlack, 256, true, false, RAST_MODE_COPY, nullptr);
    EXPECT_EQ(std::vector<Pixel>(full.pixelData(), full.pixelData() + 1600),
              std::vector<Pixel>(circle.pixelData(), circle.pixelData() + 1600));
    // Whole radius: the outer cardinal pixels weigh 0, the inner ones full.
    EXPECT_EQ(full.changedBox(kWhite), (Box{10, 10, 30, 30}));
    EXPECT_EQ(full.at(20, 10), kBlack);
    EXPECT_EQ(full.at(30, 20), kBlack);
}

TEST(FillArc, QuarterDiscFillsItsCorner) {
    TestBitmap dest(20, 20, kWhite);
    RAST_FillArc(&dest, 10, 10, 4, -kPi / 2, 0, kBlack, 1.0f, RAST_MODE_COPY, true);
    EXPECT_EQ(dest.changedBox(kWhite), (Box{6, 6, 10, 10}));
    for (int i = 6; i <= 10; ++i) {
        EXPECT_EQ(dest.at(i, 10), kBlack);
        EXPECT_EQ(dest.at(10, i), kBlack);
    }
    EXPECT_EQ(dest.at(8, 8), kBlack);
    EXPECT_EQ(dest.at(5, 10), kWhite);
    EXPECT_EQ(dest.at(10, 5), kWhite);
}
