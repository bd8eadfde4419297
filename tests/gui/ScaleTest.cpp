#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

#include "CustomControlSupport.h"
#include "IBitmapControl.h"

namespace {
const double kFactors[] = {1.25, 1.5, 2.0, 3.0};

// The mapping rule, written out independently of the surface.
int Mapped(int v, double f) {
    return static_cast<int>(std::floor(v * f + 0.5));
}

// A control that fills its bounds through the surface, so it draws at the scale.
class BoxControl : public IControl {
public:
    BoxControl(ICoreBase* plug, const IBounds& bounds, int param = -1)
        : IControl(plug, bounds, param) {}
    bool Paint(IGraphics& graphics) override {
        return graphics.FillBox(IArgb{255, 0, 90, 0}, bounds);
    }
};
} // namespace

TEST(ScaleTest, BadFactorsChangeNothingAndGoodOnesResizeTheDrawing) {
    SurfaceFixture f;
    f.Add<BoxControl>(IBounds{0, 0, 100, 80});
    f.Attach();
    const double inf = std::numeric_limits<double>::infinity();
    const double bad[] = {0.0, -1.0, 0.99, 4.01, std::nan(""), inf, -inf};
    for (double start : {1.0, 1.5}) {
        ASSERT_TRUE(f.surface->SetScaleFactor(start));
        const int w = Mapped(100, start), h = Mapped(80, start);
        for (double factor : bad) {
            EXPECT_FALSE(f.surface->SetScaleFactor(factor)) << factor;
            EXPECT_EQ(f.surface->ScaleFactor(), start);
            EXPECT_EQ(f.surface->PixelWidth(), w);
            EXPECT_EQ(f.surface->DrawBitmap()->width(), w);
            EXPECT_EQ(f.surface->DrawBitmap()->height(), h);
            EXPECT_EQ(f.surface->Screen().width(), w);
        }
    }
    EXPECT_TRUE(f.surface->SetScaleFactor(4.0));
    EXPECT_EQ(f.surface->DrawBitmap()->width(), 400);
    EXPECT_EQ(f.surface->Screen().height(), 320);
}

TEST(ScaleTest, PixelsMapToLayoutEdgeByEdgeForHitsDirtBoxesAndFills) {
    for (double factor : kFactors) {
        SCOPED_TRACE(factor);
        PaintedFixture f;
        auto* box = f.Add<BoxControl>(IBounds{13, 7, 51, 33});
        f.Attach();
        ASSERT_TRUE(f.surface->SetScaleFactor(factor));
        for (int x = -3; x < 120; ++x) {
            ASSERT_EQ(f.surface->ToPixels(x), Mapped(x, factor)) << x;
            for (int p = Mapped(x, factor); p < Mapped(x + 1, factor); ++p)
                ASSERT_EQ(f.surface->ToLayout(p), x) << p;
        }
        const IBounds pixels{Mapped(13, factor), Mapped(7, factor), Mapped(51, factor),
                             Mapped(33, factor)};
        EXPECT_EQ(f.surface->ControlPixelBounds(1), pixels);
        // Hits are inclusive of the layout edge, so the last layout column counts.
        EXPECT_EQ(f.surface->FindControlAt(pixels.left, pixels.top), 1);
        EXPECT_EQ(f.surface->FindControlAt(pixels.left - 1, pixels.top), 0);
        EXPECT_EQ(f.surface->FindControlAt(Mapped(52, factor) - 1, pixels.top), 1);
        EXPECT_EQ(f.surface->FindControlAt(Mapped(52, factor), pixels.top), 0);

        f.Show();
        box->MarkDirty(false);
        IBounds dirty;
        ASSERT_TRUE(f.surface->CollectDirty(dirty));
        EXPECT_EQ(dirty, pixels);
        // The fill covers the mapped box exactly.
        f.Show();
        int lit = 0;
        for (int y = 0; y < f.surface->PixelHeight(); ++y)
            for (int x = 0; x < f.surface->PixelWidth(); ++x) {
                const bool in =
                    x >= pixels.left && x < pixels.right && y >= pixels.top && y < pixels.bottom;
                const bool green = Channel(f.ScreenAt(x, y), 8) == 90;
                lit += green;
                ASSERT_EQ(green, in) << x << "," << y;
            }
        EXPECT_EQ(lit, pixels.W() * pixels.H());
    }
}

TEST(ScaleTest, AFactorChangeEndsOrCancelsEveryEditInProgress) {
    SurfaceFixture f;
    f.Add<EventControl>(IBounds{0, 0, 100, 80});
    auto* level = f.Add<EventControl>(IBounds{10, 10, 50, 50}, GuiTestCore::kLevel);
    auto* wave = f.Add<EventControl>(IBounds{60, 10, 90, 50}, GuiTestCore::kWave);
    f.Attach();
    f.surface->OpenEditorWindow(nullptr);

    // A drag: its press is released (the host hears the end), capture goes.
    f.surface->MouseDownAt(20, 20, kLeftButton);
    f.surface->MouseDragTo(20, 25, kLeftButton);
    ASSERT_TRUE(f.surface->SetScaleFactor(2.0));
    EXPECT_EQ(level->events.back(), "up 20,25");
    EXPECT_EQ(f.core.ended, (std::vector<int>{GuiTestCore::kLevel}));
    EXPECT_EQ(f.surface->MouseCapture(), -1);
    f.surface->MouseDragTo(40, 70, kLeftButton);
    EXPECT_EQ(level->events.back(), "up 20,25");

    // A wheel edit waiting for its countdown ends at once.
    f.surface->MouseWheelAt(140, 40, IMouseKeys{}, 1.0);
    ASSERT_EQ(f.surface->Countdown(), 15);
    ASSERT_TRUE(f.surface->SetScaleFactor(3.0));
    EXPECT_EQ(f.surface->Countdown(), 0);
    EXPECT_EQ(f.core.ended.size(), 2u);

    // An open value entry is cancelled without sending anything.
    const size_t edits = f.core.edits.size();
    wave->SetValueEntryPending(true);
    ASSERT_TRUE(f.surface->SetScaleFactor(1.25));
    EXPECT_FALSE(wave->ValueEntryPending());
    EXPECT_EQ(f.core.edits.size(), edits);

    // An open popup closes, and its owner hears that nothing was chosen.
    auto menu = std::make_unique<EventControl>(&f.core, IBounds{60, 5, 95, 25});
    menu->SetParent(level);
    IControl* popup = menu.get();
    f.surface->AddControl(std::move(menu));
    f.surface->SetOpenPopup(popup);
    ASSERT_TRUE(f.surface->SetScaleFactor(1.0));
    EXPECT_EQ(f.surface->OpenPopup(), nullptr);
    EXPECT_EQ(f.surface->NumControls(), 3);
    EXPECT_EQ(level->events.back(), "choice '' -1");
    EXPECT_EQ(f.core.begun.size(), f.core.ended.size());
    EXPECT_EQ(f.core.edits.size(), edits);
}

namespace {
constexpr int kStripId = 8100;
const Pixel kFrameColours[] = {RAST_MakePixel(255, 200, 0, 0), RAST_MakePixel(255, 0, 200, 0),
                               RAST_MakePixel(255, 0, 0, 200), RAST_MakePixel(255, 200, 200, 0)};

// Resources of a 4 x 8 strip of two stacked frames with a 3x set (id + 200)
// and no 2x set; the 3x frames have colours of their own.
class SetSurface : public IGraphicsHeadless {
public:
    explicit SetSurface(ICoreBase* plug) : IGraphicsHeadless(plug, 20, 20) {}
    std::unique_ptr<RAST_IBitmap> LoadImageResource(int id) override {
        ++loads;
        const int s = id == kStripId ? 1 : id == kStripId + 200 ? 3 : 0;
        if (s == 0) return nullptr;
        auto bitmap = std::make_unique<RAST_MemBitmap>(4 * s, 8 * s);
        for (int frame = 0; frame < 2; ++frame)
            RAST_FillRectangle(bitmap.get(), 0, frame * 4 * s, 4 * s, 4 * s,
                               kFrameColours[frame + (s == 3 ? 2 : 0)], 1.0f, RAST_MODE_COPY);
        return bitmap;
    }
    int loads = 0;
};
} // namespace

TEST(ScaleTest, ImagesComeFromTheNextSetFrameByFrameAndTheCacheStaysBounded) {
    GuiTestCore core;
    auto owned = std::make_unique<SetSurface>(&core);
    SetSurface* surface = owned.get();
    const IImage strip = surface->GetImage(kStripId, 2);
    auto second = std::make_unique<IBitmapControl>(&core, 3, 3, -1, strip);
    second->SetValue(1.0);
    surface->AddControl(std::move(second));
    core.AttachEditor(std::move(owned));
    surface->OpenEditorWindow(nullptr);

    auto onlyColour = [&](Pixel colour) {
        const IBounds box = surface->ControlPixelBounds(0);
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                if (RAST_RowPointer(&surface->Screen(), y)[x] != colour) return false;
        return true;
    };
    surface->Tick();
    EXPECT_TRUE(onlyColour(kFrameColours[1]));
    // 2x is missing: the 3x set is shrunk, the second frame with nothing of the first.
    for (double factor : kFactors) {
        ASSERT_TRUE(surface->SetScaleFactor(factor));
        surface->Tick();
        EXPECT_TRUE(onlyColour(kFrameColours[3])) << factor;
    }
    const int loads = surface->loads;
    const double cycle[] = {1.25, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 1.0};
    for (int i = 0; i < 500; ++i) {
        surface->SetScaleFactor(cycle[i % 8]);
        surface->Tick();
        ASSERT_LE(surface->ScaledImageCount(), 1);
    }
    surface->SetScaleFactor(1.0);
    surface->Tick();
    EXPECT_EQ(surface->ScaledImageCount(), 0);
    // The missing set was asked for once.
    EXPECT_EQ(surface->loads, loads);
}
