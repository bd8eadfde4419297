#include <climits>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "IBitmapControl.h"

namespace {
// A surface whose every resource is one 3-frame stacked strip.
class StripSurface : public RecordingSurface {
public:
    using RecordingSurface::RecordingSurface;
    std::unique_ptr<RAST_IBitmap> LoadImageResource(int id) override {
        if (id == 8999) return nullptr;
        auto bitmap = std::make_unique<RAST_MemBitmap>(4, 30);
        RAST_FillRectangle(bitmap.get(), 0, 0, 4, 30, RAST_MakePixel(255, 0, 0, 200), 1.0f,
                           RAST_MODE_COPY);
        return bitmap;
    }
};
} // namespace

TEST(BitmapControlTest, ValueChoosesTheFrame) {
    Strip strip(5, 2, true);
    IBitmapControl control(nullptr, 10, 20, -1, strip.image);
    EXPECT_EQ(control.Bounds(), (IBounds{10, 20, 14, 22}));
    EXPECT_TRUE(control.Stacked());
    const std::pair<double, int> cases[] = {{0.0, 1}, {0.124, 1}, {0.125, 2}, {0.5, 3},
                                            {1.0, 5}, {-4.0, 1},  {9.0, 5}};
    for (const auto& [value, frame] : cases) {
        control.SetValue(value);
        EXPECT_EQ(control.Frame(), frame) << value;
    }

    Strip single(1, 4, true);
    IBitmapControl plain(nullptr, 0, 0, -1, single.image);
    plain.SetValue(1.0);
    EXPECT_EQ(plain.Frame(), 1);

    // A far-off position keeps its box inside the integer range.
    IBitmapControl far(nullptr, INT_MAX, INT_MAX, -1, strip.image);
    EXPECT_EQ(far.Bounds(), (IBounds{INT_MAX, INT_MAX, INT_MAX, INT_MAX}));
}

TEST(BitmapControlTest, PaintsItsFrameAndAQuarterWhenGrayed) {
    SurfaceFixture f;
    Strip strip(3, 2, true);
    const IBlend copy{IBlend::kCopy, 1.0f};
    IBitmapControl* shown = f.Add<IBitmapControl>(0, 0, GuiTestCore::kSteps, strip.image, copy);
    RAST_MemBitmap bright(4, 4);
    RAST_FillRectangle(&bright, 0, 0, 4, 4, RAST_MakePixel(255, 0, 0, 200), 1.0f, RAST_MODE_COPY);
    IBitmapControl* grayed = f.Add<IBitmapControl>(10, 0, -1, IImage{&bright, 4, 4, 1, 0}, copy);
    grayed->SetGrayed(true);
    f.Attach(); // Steps 5 of 0..10: value 0.5, the middle frame
    f.surface->PaintRegion(IBounds{0, 0, 20, 20});
    const RAST_IBitmap* drawn = f.surface->DrawBitmap();
    EXPECT_EQ(RAST_RowPointer(drawn, 1)[3] & 0xFF, 2u);
    // A quarter of the image's blue on black.
    EXPECT_NEAR(double(RAST_RowPointer(drawn, 0)[10] & 0xFF), 50.0, 1.0);
    EXPECT_EQ(shown->Frame(), 2);
}

TEST(BitmapControlTest, BackgroundGoesUnderEveryControl) {
    GuiTestCore core;
    StripSurface surface(&core, 50, 50);
    surface.AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 2, 2}));
    IControl* background = surface.AddBackground(8001);
    ASSERT_EQ(surface.GetControl(0), background);
    EXPECT_EQ(background->Bounds(), (IBounds{0, 0, 4, 30}));
    EXPECT_FALSE(background->IsBound());
    EXPECT_EQ(surface.FindControlAt(1, 1), 1);
    EXPECT_EQ(surface.FindControlAt(3, 20), 0);

    // Without its image the background is an empty box that never paints.
    StripSurface bare(&core, 50, 50);
    IControl* missing = bare.AddBackground(8999);
    EXPECT_TRUE(missing->Bounds().IsEmpty());
    bare.PrepareDrawing();
    EXPECT_TRUE(bare.PaintRegion(IBounds{0, 0, 50, 50}));
}
