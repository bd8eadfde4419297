#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

#include "FontCache.h"
#include "GuiTestSupport.h"
#include "RAST_Blit.h"

namespace {
// A control whose painting is the test's.
class PaintingControl : public IControl {
public:
    PaintingControl(ICoreBase* plug, const IBounds& bounds, std::function<void(IGraphics&)> paint)
        : IControl(plug, bounds), paint(std::move(paint)) {}
    bool Paint(IGraphics& graphics) override {
        paint(graphics);
        return true;
    }
    std::function<void(IGraphics&)> paint;
};

class DrawingTest : public ::testing::Test {
protected:
    // Paints `draw` over the whole surface, clipped to `region`.
    void Paint(std::function<void(IGraphics&)> draw, const IBounds& region = kAll) {
        painter->paint = std::move(draw);
        f.surface->PaintRegion(region);
    }
    Pixel At(int x, int y) const { return RAST_RowPointer(f.surface->DrawBitmap(), y)[x]; }

    static constexpr IBounds kAll{0, 0, SurfaceFixture::kWidth, SurfaceFixture::kHeight};
    SurfaceFixture f;
    PaintingControl* painter = f.Add<PaintingControl>(kAll, [](IGraphics&) {});
    bool attached = (f.Attach(), true);
};
} // namespace

TEST_F(DrawingTest, FramesAreFoundStackedOrSideBySide) {
    Strip stacked(5, 2, true);
    Strip sideways(5, 3, false);
    Paint([&](IGraphics& g) {
        g.DrawImageFrame(stacked.image, IBounds{0, 0, 4, 2}, 3);
        g.DrawImageFrame(stacked.image, IBounds{10, 0, 14, 2}, 1);
        g.DrawImageFrame(stacked.image, IBounds{20, 0, 24, 2}, 0); // below 1: the first
        g.DrawImageFrame(sideways.image, IBounds{0, 10, 3, 14}, 5, nullptr, false);
    });
    EXPECT_EQ(At(0, 0) & 0xFF, 3u);
    EXPECT_EQ(At(3, 1) & 0xFF, 3u);
    EXPECT_EQ(At(10, 0) & 0xFF, 1u);
    EXPECT_EQ(At(20, 0) & 0xFF, 1u);
    EXPECT_EQ(At(0, 10) & 0xFF, 5u);
    EXPECT_EQ(At(2, 13) & 0xFF, 5u);
}

TEST_F(DrawingTest, ImagesAreClippedToThePaintedRegionWithMatchingSource) {
    Strip strip(4, 1, true); // 4 x 4, row y has blue y + 1
    Paint(
        [&](IGraphics& g) {
            g.DrawImage(strip.image, IBounds{10, 10, 14, 14}, 0, 0);
        },
        IBounds{12, 12, 20, 20});
    EXPECT_EQ(At(11, 11), 0u);
    EXPECT_EQ(At(12, 12) & 0xFF, 3u);
    EXPECT_EQ(At(13, 13) & 0xFF, 4u);
}

TEST_F(DrawingTest, FillsAreClippedAndWeighted) {
    const IBlend half{IBlend::kCopy, 0.5f};
    Paint(
        [&](IGraphics& g) {
            g.FillBox(IArgb{255, 200, 0, 0}, IBounds{-50, -50, 10, 10});
            g.FillBox(IArgb{255, 0, 200, 0}, IBounds{20, 0, 30, 10}, &half);
        },
        IBounds{0, 0, 25, 5});
    EXPECT_EQ(At(0, 0), RAST_MakePixel(255, 200, 0, 0));
    EXPECT_EQ(At(9, 4), RAST_MakePixel(255, 200, 0, 0));
    EXPECT_EQ(At(9, 5), 0u);
    EXPECT_EQ((At(20, 0) >> 8) & 0xFF, 100u);
    EXPECT_EQ(At(25, 0), 0u);
}

TEST_F(DrawingTest, MissingImagesAndExtremeGeometryDrawNothingAndNeverCrash) {
    Strip strip(2, 2, true);
    const IImage missing{};
    Paint([&](IGraphics& g) {
        EXPECT_TRUE(g.DrawImage(missing, kAll, 0, 0));
        EXPECT_TRUE(g.DrawImageFrame(missing, kAll, 2));
        EXPECT_TRUE(g.DrawImage(strip.image, IBounds{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX,
                                INT_MIN));
        EXPECT_TRUE(g.DrawImageFrame(strip.image, kAll, INT_MAX));
        EXPECT_TRUE(g.FillBox(IArgb{}, IBounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN}));
        EXPECT_TRUE(g.DrawLine(IArgb{}, NAN, 0.0f, INFINITY, -1e30f));
        EXPECT_TRUE(g.DrawArc(IArgb{}, 10.0f, 10.0f, 1e30f, 0.0f, NAN));
    });
    for (int y = 0; y < SurfaceFixture::kHeight; y += 7)
        for (int x = 0; x < SurfaceFixture::kWidth; x += 7)
            ASSERT_EQ(At(x, y), 0u) << x << "," << y;

    // Before drawing is prepared there is nowhere to draw.
    IGraphicsHeadless bare(&f.core, 10, 10);
    EXPECT_TRUE(bare.DrawImage(strip.image, IBounds{0, 0, 4, 4}, 0, 0));
    EXPECT_TRUE(bare.FillBox(IArgb{}, IBounds{0, 0, 4, 4}));
    EXPECT_TRUE(bare.DrawLine(IArgb{}, 0, 0, 5, 5));
}

TEST_F(DrawingTest, LinesAndArcsUseTheColoursOpacity) {
    Paint([&](IGraphics& g) {
        g.DrawLine(IArgb{255, 0, 0, 255}, 2.0f, 40.0f, 60.0f, 40.0f, nullptr, false);
        g.DrawArc(IArgb{255, 255, 0, 0}, 50.0f, 40.0f, 20.0f, 0.0f, 6.2831853f);
    });
    EXPECT_EQ(At(10, 40), RAST_MakePixel(255, 0, 0, 255));
    EXPECT_NE(At(50, 20) & 0x00FF0000u, 0u); // the top of the circle
}

TEST_F(DrawingTest, RotatedImagesAreCentredWeightedAndNotClippedToTheRegion) {
    Strip strip(1, 4, true); // 4 x 4
    const IBlend half{IBlend::kSourceAlpha, 0.5f};
    Paint(
        [&](IGraphics& g) {
            g.DrawImageRotated(strip.image, 12, 12, 0.0f);
            g.DrawImageRotated(strip.image, 42, 12, 0.0f, &half);
            EXPECT_TRUE(g.DrawImageRotated(IImage{}, 5, 5, 1.0f));
            EXPECT_TRUE(g.DrawImageRotated(strip.image, INT_MAX, INT_MIN, NAN));
        },
        IBounds{0, 0, 1, 1});
    // A turn of 0 copies the image to (centre - size / 2) whatever the region.
    EXPECT_EQ(At(10, 10), RAST_RowPointer(strip.image.bitmap, 0)[0]);
    EXPECT_EQ(At(13, 13), RAST_RowPointer(strip.image.bitmap, 3)[3]);
    EXPECT_EQ(At(9, 9), 0u);
    EXPECT_EQ(At(14, 14), 0u);
    EXPECT_NEAR(static_cast<int>(At(40, 10) >> 24), 128, 1);
}

TEST_F(DrawingTest, RoundBoxesRoundTheChosenCornersOnly) {
    const IArgb white{255, 255, 255, 255};
    Paint([&](IGraphics& g) {
        g.FillRoundBox(white, IBounds{0, 0, 20, 20}, 4);
        g.FillRoundBox(white, IBounds{30, 0, 50, 20}, 4, IGraphics::kTopCorners);
        g.FillRoundBox(white, IBounds{60, 0, 80, 20}, 4, IGraphics::kBottomCorners);
        g.FillRoundBox(white, IBounds{0, 30, 20, 50}, 4, 3); // not a corner choice
        g.DrawRoundBox(white, IBounds{30, 30, 50, 50}, 4);
        g.FillRoundBox(white, IBounds{60, 30, 70, 36}, 1000); // radius fitted to the box
    });
    auto lit = [&](int x, int y) { return (At(x, y) & 0xFFu) != 0; };
    EXPECT_TRUE(lit(10, 10));
    EXPECT_TRUE(lit(10, 0));
    EXPECT_TRUE(lit(0, 10));
    EXPECT_FALSE(lit(0, 0));
    EXPECT_FALSE(lit(19, 19));
    EXPECT_FALSE(lit(30, 0));
    EXPECT_TRUE(lit(30, 19)); // bottom corners stay square
    EXPECT_TRUE(lit(60, 0));
    EXPECT_FALSE(lit(79, 19));
    EXPECT_FALSE(lit(10, 40));
    // The outline: straight edges inset by the radius, nothing inside or at the corner.
    EXPECT_TRUE(lit(40, 30));
    EXPECT_TRUE(lit(40, 49));
    EXPECT_TRUE(lit(30, 40));
    EXPECT_TRUE(lit(49, 40));
    EXPECT_FALSE(lit(40, 40));
    EXPECT_FALSE(lit(30, 30));
    EXPECT_TRUE(lit(65, 33));
}

TEST_F(DrawingTest, TextUsesTheStylesFontColourAndAlignment) {
    ITextStyle left("Liberation Sans", 14, IArgb{255, 255, 255, 255});
    ITextStyle right = left;
    right.align = ITextStyle::kRight;
    ITextStyle faint = left;
    faint.colour.A = 100;
    Paint([&](IGraphics& g) {
        EXPECT_TRUE(g.DrawText(left, nullptr, kAll));
        EXPECT_TRUE(g.DrawText(left, "", kAll));
        EXPECT_EQ(left.cachedFont, nullptr); // nothing to draw needs no font
        EXPECT_TRUE(g.DrawText(left, "II", IBounds{0, 0, 100, 20}));
        EXPECT_TRUE(g.DrawText(right, "II", IBounds{0, 20, 100, 40}));
        EXPECT_TRUE(g.DrawText(faint, "II", IBounds{0, 40, 100, 60}));
    });
    // Fonts are shared by every style with the same size, slant, weight and face.
    ASSERT_NE(left.cachedFont, nullptr);
    EXPECT_EQ(right.cachedFont, left.cachedFont);
    ITextStyle bigger = left;
    bigger.cachedFont = nullptr;
    bigger.size = 20;
    EXPECT_NE(FontCache::Instance().FindOrCreate(bigger), left.cachedFont);

    auto brightestIn = [&](int x0, int x1, int y0, int y1) {
        unsigned best = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                best = std::max(best, At(x, y) & 0xFFu);
        return best;
    };
    EXPECT_GT(brightestIn(0, 20, 0, 20), 200u);
    EXPECT_EQ(brightestIn(50, 100, 0, 20), 0u);
    EXPECT_EQ(brightestIn(0, 50, 20, 40), 0u); // right-aligned
    EXPECT_GT(brightestIn(80, 100, 20, 40), 200u);
    const unsigned faintPeak = brightestIn(0, 20, 40, 60);
    EXPECT_GT(faintPeak, 60u); // about 100 / 255 of full coverage
    EXPECT_LT(faintPeak, 140u);
}

TEST_F(DrawingTest, TranslucentRoundBoxesPaintNoPixelTwice) {
    // A pixel painted twice at alpha 100 would come out brighter than the body.
    const IArgb faint{100, 255, 255, 255};
    Paint([&](IGraphics& g) {
        g.FillRoundBox(faint, IBounds{2, 2, 32, 22}, 4);
        g.FillRoundBox(faint, IBounds{40, 2, 70, 22}, 4, IGraphics::kTopCorners);
        g.FillRoundBox(faint, IBounds{2, 30, 12, 36}, 1000);
        g.DrawRoundBox(faint, IBounds{40, 30, 70, 50}, 4);
        g.DrawRoundBox(faint, IBounds{80, 30, 90, 40}, 0);
    });
    auto blue = [&](int x, int y) { return At(x, y) & 0xFFu; };
    const unsigned body = blue(17, 12);
    ASSERT_GT(body, 0u);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_LE(blue(x, y), body) << x << "," << y;
    // Away from the corners every pixel of a body is the body's value.
    for (int x = 7; x < 27; ++x) {
        EXPECT_EQ(blue(x, 2), body) << x;
        EXPECT_EQ(blue(x, 21), body) << x;
    }
    for (int y = 7; y < 17; ++y) {
        EXPECT_EQ(blue(2, y), body) << y;
        EXPECT_EQ(blue(31, y), body) << y;
    }
    EXPECT_EQ(blue(40, 21), body); // square bottom corners
    EXPECT_EQ(blue(80, 30), body); // square outline corners
    EXPECT_EQ(blue(89, 39), body);
}
