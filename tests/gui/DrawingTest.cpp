#include <climits>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

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
