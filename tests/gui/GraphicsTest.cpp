#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

#include "GuiTestSupport.h"
#include "IBitmapControl.h"
#include "RAST_Blit.h"

namespace {
Pixel ScreenAt(const IGraphicsHeadless& surface, int x, int y) {
    return RAST_RowPointer(&surface.Screen(), y)[x];
}
} // namespace

TEST(GraphicsTest, ConstructionDefaults) {
    GuiTestCore core;
    IGraphicsHeadless surface(&core, 368, 370, 0);
    EXPECT_EQ(surface.Width(), 368);
    EXPECT_EQ(surface.Height(), 370);
    EXPECT_EQ(surface.FrameRate(), IGraphics::kDefaultFps);
    EXPECT_EQ(surface.NumControls(), 0);
    EXPECT_EQ(surface.DrawBitmap(), nullptr);
    EXPECT_EQ(surface.MouseCapture(), -1);
    EXPECT_EQ(surface.MouseOverIndex(), -1);
    EXPECT_FALSE(surface.HandlesMouseOver());
    EXPECT_STREQ(surface.GetPopupStyle().text.face, "Arial");
    EXPECT_EQ(surface.GetPopupStyle().text.size, 15);
    EXPECT_EQ(surface.GetPopupStyle().background, (IArgb{245, 50, 50, 50}));

    IGraphicsHeadless negative(&core, -5, INT_MIN, -30);
    EXPECT_EQ(negative.Width(), 0);
    EXPECT_EQ(negative.Height(), 0);
    EXPECT_EQ(negative.FrameRate(), IGraphics::kDefaultFps);
}

TEST(GraphicsTest, AttachingPushesEveryValueAndPreparesDrawing) {
    SurfaceFixture f;
    SolidControl* level = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    SolidControl* wave = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kWave);
    SolidControl* waveToo = f.Add<SolidControl>(IBounds{20, 0, 30, 10}, GuiTestCore::kWave);
    SolidControl* unbound = f.Add<SolidControl>(IBounds{0, 0, 10, 10});
    f.Attach();

    EXPECT_EQ(f.core.Editor(), f.surface);
    ASSERT_NE(f.surface->DrawBitmap(), nullptr);
    EXPECT_EQ(f.surface->DrawBitmap()->width(), SurfaceFixture::kWidth);
    EXPECT_EQ(f.surface->DrawBitmap()->height(), SurfaceFixture::kHeight);
    EXPECT_EQ(RAST_RowPointer(f.surface->DrawBitmap(), SurfaceFixture::kHeight - 1)[0], 0u);
    EXPECT_DOUBLE_EQ(level->Value(), 0.5);
    EXPECT_DOUBLE_EQ(wave->Value(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(waveToo->Value(), 2.0 / 3.0);
    // The first value pushed becomes each control's default.
    EXPECT_DOUBLE_EQ(level->DefaultValue(), 0.5);
    EXPECT_DOUBLE_EQ(wave->DefaultValue(), 2.0 / 3.0);
    EXPECT_EQ(unbound->DefaultValue(), -1.0);
    // Pushing is not an edit: nothing goes back to the plug-in.
    EXPECT_TRUE(f.core.edits.empty());
}

TEST(GraphicsTest, PlainValuesAreNormalisedWithTheParametersMapping) {
    SurfaceFixture f;
    SolidControl* level = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    SolidControl* steps = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kSteps);
    f.surface->PushParamToControls(GuiTestCore::kLevel, 25.0, false);
    f.surface->PushParamToControls(GuiTestCore::kSteps, 3.0, false);
    EXPECT_DOUBLE_EQ(level->Value(), 0.5);
    EXPECT_DOUBLE_EQ(level->DefaultValue(), 0.5);
    EXPECT_DOUBLE_EQ(steps->Value(), 0.3);

    // A preset restore goes through the same path.
    f.Attach();
    f.core.GetParam(GuiTestCore::kLevel)->SetPlainValue(100.0);
    f.core.RefreshEditorControls();
    EXPECT_DOUBLE_EQ(level->Value(), 1.0);
    EXPECT_DOUBLE_EQ(level->DefaultValue(), 0.5);
}

TEST(GraphicsTest, UnknownIndexesAndNonNumbersAreDropped) {
    SurfaceFixture f;
    SolidControl* level = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    SolidControl* stray = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, 77);
    for (int index : {-1, INT_MIN, INT_MAX, 77, int(GuiTestCore::kNumParams)}) {
        f.surface->PushParamToControls(index, 10.0, false);
        f.surface->HideParamControls(index, true);
    }
    // A normalised value needs no parameter, so a control bound beyond the
    // plug-in's list still takes it.
    f.surface->PushParamToControls(77, 0.25, true);
    f.surface->PushParamToControls(GuiTestCore::kLevel, NAN, true);
    f.surface->PushParamToControls(GuiTestCore::kLevel, NAN, false);
    EXPECT_EQ(level->Value(), 0.0);
    EXPECT_EQ(level->DefaultValue(), -1.0);
    EXPECT_FALSE(level->IsHidden());
    EXPECT_EQ(stray->Value(), 0.25);
    EXPECT_TRUE(stray->IsHidden());
}

TEST(GraphicsTest, HidingReachesEveryControlOfTheParameterOnly) {
    SurfaceFixture f;
    SolidControl* a = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kWave);
    SolidControl* b = f.Add<SolidControl>(IBounds{20, 0, 30, 10}, GuiTestCore::kWave);
    SolidControl* other = f.Add<SolidControl>(IBounds{40, 0, 50, 10}, GuiTestCore::kSwitch);
    f.surface->HideParamControls(GuiTestCore::kWave, true);
    EXPECT_TRUE(a->IsHidden());
    EXPECT_TRUE(b->IsHidden());
    EXPECT_FALSE(other->IsHidden());
    f.surface->HideParamControls(GuiTestCore::kWave, false);
    EXPECT_FALSE(a->IsHidden() || b->IsHidden());
}

TEST(GraphicsTest, ControlListOwnsAndIndexes) {
    GuiTestCore core;
    IGraphicsHeadless surface(&core, 50, 50);
    EXPECT_EQ(surface.AddControl(nullptr), -1);
    EXPECT_EQ(surface.AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 5, 5})), 0);
    EXPECT_EQ(surface.AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 5, 5})), 1);
    EXPECT_EQ(surface.NumControls(), 2);
    EXPECT_EQ(surface.GetControl(1)->Graphics(), &surface);
    EXPECT_EQ(surface.GetControl(-1), nullptr);
    EXPECT_EQ(surface.GetControl(2), nullptr);
    EXPECT_EQ(surface.GetControl(INT_MIN), nullptr);

    surface.Resize(40, 30);
    EXPECT_EQ(surface.NumControls(), 0);
    EXPECT_EQ(surface.Width(), 40);
    EXPECT_EQ(surface.Screen().width(), 40);
}

TEST(GraphicsTest, HitOrderPrefersLaterControlsAndSkipsHiddenAndGrayed) {
    SurfaceFixture f;
    f.Add<SolidControl>(IBounds{0, 0, 100, 80});                        // 0: background
    SolidControl* below = f.Add<SolidControl>(IBounds{10, 10, 50, 50}); // 1
    SolidControl* above = f.Add<SolidControl>(IBounds{30, 30, 70, 70}); // 2

    EXPECT_EQ(f.surface->FindControlAt(40, 40), 2);
    EXPECT_EQ(f.surface->FindControlAt(20, 20), 1);
    EXPECT_EQ(f.surface->FindControlAt(90, 5), 0);
    above->SetHidden(true);
    EXPECT_EQ(f.surface->FindControlAt(40, 40), 1);
    below->SetGrayed(true);
    EXPECT_EQ(f.surface->FindControlAt(40, 40), 0);
    above->SetHidden(false);
    EXPECT_EQ(f.surface->FindControlAt(40, 40), 2);

    for (int x : {INT_MIN, -1, 101, INT_MAX})
        EXPECT_EQ(f.surface->FindControlAt(x, x), -1);
}

TEST(GraphicsTest, CollectDirtyUnitesTheBoundsOfDirtyControls) {
    SurfaceFixture f;
    IBounds out{1, 1, 1, 1};
    EXPECT_FALSE(f.surface->CollectDirty(out));
    EXPECT_TRUE(out.IsEmpty());

    SolidControl* a = f.Add<SolidControl>(IBounds{10, 10, 20, 20});
    SolidControl* b = f.Add<SolidControl>(IBounds{50, 5, 60, 15});
    SolidControl* c = f.Add<SolidControl>(IBounds{0, 70, 5, 80});
    EXPECT_TRUE(f.surface->CollectDirty(out));
    EXPECT_EQ(out, (IBounds{0, 5, 60, 80}));

    c->MarkClean();
    a->MarkClean();
    EXPECT_TRUE(f.surface->CollectDirty(out));
    EXPECT_EQ(out, b->Bounds());
    b->MarkClean();
    EXPECT_FALSE(f.surface->CollectDirty(out));
}

TEST(GraphicsTest, PaintingDrawsVisibleOverlappingControlsInOrderAndPresents) {
    SurfaceFixture f;
    SolidControl* back =
        f.Add<SolidControl>(IBounds{0, 0, 100, 80}, -1, RAST_MakePixel(255, 0, 0, 255));
    SolidControl* front =
        f.Add<SolidControl>(IBounds{10, 10, 30, 30}, -1, RAST_MakePixel(255, 0, 255, 0));
    SolidControl* hidden = f.Add<SolidControl>(IBounds{10, 10, 30, 30});
    SolidControl* away = f.Add<SolidControl>(IBounds{60, 60, 70, 70});
    hidden->SetHidden(true);
    f.Attach();

    EXPECT_TRUE(f.surface->PaintRegion(IBounds{0, 0, 40, 40}));
    EXPECT_EQ(back->paints, 1);
    EXPECT_EQ(front->paints, 1);
    EXPECT_EQ(hidden->paints, 0);
    EXPECT_EQ(away->paints, 0);
    EXPECT_EQ(f.surface->PresentCount(), 1);
    EXPECT_EQ(f.surface->LastPresented(), (IBounds{0, 0, 40, 40}));
    // Later controls cover earlier ones; only the region reached the screen.
    EXPECT_EQ(ScreenAt(*f.surface, 15, 15), RAST_MakePixel(255, 0, 255, 0));
    EXPECT_EQ(ScreenAt(*f.surface, 35, 35), RAST_MakePixel(255, 0, 0, 255));
    EXPECT_EQ(ScreenAt(*f.surface, 50, 50), 0u);

    // Every control is clean afterwards, painted or not; a hidden control's
    // pending request survives one paint.
    EXPECT_FALSE(back->IsDirty() || front->IsDirty() || away->IsDirty());
    EXPECT_TRUE(hidden->IsDirty());
}

// Handing the pixels to the window system may be slow; the audio thread
// must be able to take the plug-in lock meanwhile.
TEST(GraphicsTest, PresentingLeavesThePluginLockFree) {
    class LockProbe : public IGraphicsHeadless {
    public:
        using IGraphicsHeadless::IGraphicsHeadless;
        bool PresentRegion(const IBounds& box) override {
            prober = std::thread([this] {
                PluginLock::Holder hold(plug->Lock());
                taken = true;
            });
            for (int wait = 0; wait < 200 && !taken; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            takenWhilePresenting = taken.load();
            return IGraphicsHeadless::PresentRegion(box);
        }
        std::thread prober;
        std::atomic<bool> taken{false};
        bool takenWhilePresenting = false;
    };
    GuiTestCore core;
    auto owned = std::make_unique<LockProbe>(&core, 100, 80, 30);
    LockProbe* surface = owned.get();
    surface->AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 100, 80}));
    core.AttachEditor(std::move(owned));

    surface->PaintRegion(IBounds{0, 0, 50, 50});
    surface->prober.join(); // the lock is free by now either way
    EXPECT_TRUE(surface->takenWhilePresenting);
}

// Drawing may take a millisecond; the lock is held only while the controls
// capture their values. A value the audio thread pushes while they draw shows
// at the next paint, never halfway through this one.
TEST(GraphicsTest, DrawingLeavesThePluginLockFreeAndShowsTheCapturedValues) {
    class WaitingControl : public SolidControl {
    public:
        using SolidControl::SolidControl;
        bool Paint(IGraphics& graphics) override {
            if (!started) {
                started = true;
                prober = std::thread([this] {
                    PluginLock::Holder hold(plug->Lock());
                    Graphics()->PushParamToControls(GuiTestCore::kSwitch, 0.0, true);
                    taken = true;
                });
            }
            for (int wait = 0; wait < 200 && !taken; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            takenWhileDrawing = taken.load();
            return SolidControl::Paint(graphics);
        }
        bool started = false;
        std::thread prober;
        std::atomic<bool> taken{false};
        bool takenWhileDrawing = false;
    };
    SurfaceFixture f;
    Strip strip(2, 2, true);
    auto* waiting = f.Add<WaitingControl>(IBounds{0, 0, 10, 10});
    auto* shown = f.Add<IBitmapControl>(20, 0, GuiTestCore::kSwitch, strip.image,
                                        IBlend{IBlend::kCopy, 1.0f});
    f.Attach();
    ASSERT_EQ(shown->Frame(), 2);
    f.surface->OpenEditorWindow(nullptr);

    f.surface->Tick();
    waiting->prober.join(); // the lock is free by now either way
    EXPECT_TRUE(waiting->takenWhileDrawing);
    EXPECT_EQ(ScreenAt(*f.surface, 21, 1) & 0xFF, 2u);
    f.surface->Tick();
    EXPECT_EQ(ScreenAt(*f.surface, 21, 1) & 0xFF, 1u);
}

TEST(GraphicsTest, EmptyOrExtremeRegionsPaintSafely) {
    SurfaceFixture f;
    SolidControl* control = f.Add<SolidControl>(IBounds{0, 0, 100, 80});
    f.Attach();
    EXPECT_TRUE(f.surface->PaintRegion(IBounds{}));
    EXPECT_EQ(control->paints, 0);
    EXPECT_FALSE(control->IsDirty());
    EXPECT_EQ(f.surface->PresentCount(), 1);

    EXPECT_TRUE(f.surface->PaintRegion(IBounds{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
    EXPECT_TRUE(f.surface->PaintRegion(IBounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN}));
    EXPECT_EQ(control->paints, 1);
}

TEST(GraphicsTest, NothingToPaintOrNowhereToDraw) {
    GuiTestCore core;
    IGraphicsHeadless bare(&core, 20, 20);
    EXPECT_TRUE(bare.PaintRegion(IBounds{0, 0, 20, 20}));
    EXPECT_EQ(bare.PresentCount(), 0);

    // Without drawing bitmaps there is nothing to present.
    bare.AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 20, 20}));
    EXPECT_FALSE(bare.PaintRegion(IBounds{0, 0, 20, 20}));
    EXPECT_EQ(bare.PresentCount(), 0);
}

TEST(GraphicsTest, RedrawAllDirtiesTheBackgroundWithoutAnEdit) {
    SurfaceFixture f;
    f.surface->RedrawAll(); // no controls yet: nothing happens
    SolidControl* back = f.Add<SolidControl>(IBounds{0, 0, 100, 80}, GuiTestCore::kLevel);
    f.Attach();
    back->MarkClean();
    back->MarkClean();
    f.surface->RedrawAll();
    EXPECT_TRUE(back->IsDirty());
    EXPECT_TRUE(f.core.edits.empty());
}

// A tick paints each dirty control's box on its own, with what lies under
// it, and never the space between: boxes that overlap are painted as one.
TEST(GraphicsTest, TicksPaintEachDirtyControlInItsOwnBox) {
    SurfaceFixture f;
    SolidControl* back = f.Add<SolidControl>(IBounds{0, 0, 100, 80});
    SolidControl* a = f.Add<SolidControl>(IBounds{0, 0, 10, 10});
    SolidControl* b = f.Add<SolidControl>(IBounds{8, 8, 20, 20});
    SolidControl* away = f.Add<SolidControl>(IBounds{60, 60, 70, 70});
    f.Attach();
    f.surface->OpenEditorWindow(nullptr);
    f.surface->Tick();
    EXPECT_EQ(f.surface->PresentCount(), 1);
    EXPECT_EQ(f.surface->LastPresented(), back->Bounds());

    a->MarkDirty(false);
    away->MarkDirty(false);
    f.surface->Tick();
    EXPECT_EQ(f.surface->PresentCount(), 3);
    EXPECT_EQ(f.surface->LastPresented(), away->Bounds());
    EXPECT_EQ(back->paints, 3);
    EXPECT_EQ(b->paints, 2); // under a's box too

    a->MarkDirty(false);
    b->MarkDirty(false);
    f.surface->Tick();
    EXPECT_EQ(f.surface->PresentCount(), 4);
    EXPECT_EQ(f.surface->LastPresented(), (IBounds{0, 0, 20, 20}));
    f.surface->Tick();
    EXPECT_EQ(f.surface->PresentCount(), 4);
    EXPECT_EQ(away->paints, 2);
}

TEST(GraphicsTest, TicksPaintWhileOpenAndEndDelayedEdits) {
    SurfaceFixture f;
    SolidControl* control = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kWave);
    f.Attach();
    f.surface->Tick();
    EXPECT_EQ(control->paints, 0); // closed: nothing is painted

    f.surface->OpenEditorWindow(nullptr);
    EXPECT_TRUE(f.surface->HasOpenWindow());
    f.surface->Tick();
    EXPECT_EQ(control->paints, 1);
    EXPECT_EQ(f.surface->LastPresented(), control->Bounds());
    // The pushed value raised a second request that outlives the first paint.
    f.surface->Tick();
    EXPECT_EQ(control->paints, 2);
    f.surface->Tick();
    EXPECT_EQ(control->paints, 2);

    // A wheel edit ends half a second of ticks later (30 fps: 15 ticks).
    f.core.EndHostEditLater(GuiTestCore::kWave);
    EXPECT_EQ(f.surface->Countdown(), 15);
    for (int i = 0; i < 14; ++i)
        f.surface->Tick();
    EXPECT_TRUE(f.core.ended.empty());
    f.surface->Tick();
    ASSERT_EQ(f.core.ended.size(), 1u);
    EXPECT_EQ(f.core.ended[0], GuiTestCore::kWave);

    f.surface->CloseEditorWindow();
    EXPECT_FALSE(f.surface->HasOpenWindow());
}
