#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "CustomControlSupport.h"
#include "IKnobArcImg.h"
#include "ImageCache.h"

namespace {
constexpr double kDegree = 3.14159265358979323846 / 180.0;
const IArgb kGreenArc{255, 0, 255, 0};
const Pixel kRed = RAST_MakePixel(255, 255, 0, 0);

ITextStyle WhiteText(int size) {
    return ITextStyle("Liberation Sans", size, IArgb{255, 255, 255, 255});
}

// Knobs centred on (50, 40) with a band from radius 20 to 26 around a knob
// face of radius 2; painted, their arcs centre on (bounds.left + 28, bounds.top + 28).
IKnobArc* AddKnob(PaintedFixture& f, int param, int labelMode = 0, float thickness = 6.0f,
                  int sweep = 300, double gearing = 1.0, int direction = 0, int labelGap = -4) {
    return f.Add<IKnobArc>(param, 50.0, 40.0, WhiteText(14), kGreenArc, 20.0f, thickness, labelGap,
                           labelMode, 2, sweep, gearing, direction, 0.2f);
}

IKnobArcImg* AddImageKnob(PaintedFixture& f, const IImage& image) {
    return f.Add<IKnobArcImg>(-1, 50.0, 40.0, WhiteText(0), kGreenArc, 20.0f, 6.0f, -4, 0, 2, 300,
                              1.0, 0, 0.2f, image, 300, 2, 20.0f, 6.0f, 0.2f);
}

// Whether the band covers the screen pixel at `degrees` (clockwise from
// straight up) on radius 23, the middle of the band.
bool BandAt(const PaintedFixture& f, const IControl& knob, double degrees) {
    const double cx = knob.Bounds().left + 28, cy = knob.Bounds().top + 28;
    const int x = int(std::lround(cx + 23.0 * std::sin(degrees * kDegree)));
    const int y = int(std::lround(cy - 23.0 * std::cos(degrees * kDegree)));
    return Channel(f.ScreenAt(x, y), 8) > 128;
}

void SetValue(IControl& control, double v) {
    control.SetValue(v);
    control.MarkDirty(false);
}
} // namespace

TEST(KnobTest, BoundsFollowTheRadiiWithRoomForTextUnderneath) {
    // The layout's large knob: e = 2 + 33 + 6.3, rounded half away from zero.
    const ITextStyle style = WhiteText(15);
    IKnobArc knob(nullptr, 0, 77, 133, style, kGreenArc, 33.0f, 6.3f, -4, 4, 2, 300, 4.0, 0, 0.2f);
    EXPECT_EQ(knob.Bounds(), (IBounds{35, 92, 119, 174}));
    EXPECT_EQ(knob.HitBounds(), knob.Bounds());
    EXPECT_TRUE(knob.DrawsArc());
    IKnobArc under(nullptr, 0, 77, 133, style, kGreenArc, 33.0f, 6.3f, -4, 5, 2, 300, 4.0, 0, 0.2f);
    EXPECT_EQ(under.Bounds().bottom, 185); // 174.3 + 15 - 4
}

TEST(KnobTest, ArcBandRunsFromItsStartToTheValue) {
    PaintedFixture f;
    IKnobArc* knob = AddKnob(f, -1);
    f.Attach();

    // Sweep 300: from -(300 - 4) / 2 = -148 degrees to 0 at the middle value.
    SetValue(*knob, 0.5);
    f.Show();
    for (double inside : {-140.0, -90.0, -10.0})
        EXPECT_TRUE(BandAt(f, *knob, inside)) << inside;
    for (double outside : {-156.0, 10.0, 90.0, 180.0})
        EXPECT_FALSE(BandAt(f, *knob, outside)) << outside;

    // To +150 at the top of the range; hovering does not dim the band.
    SetValue(*knob, 1.0);
    knob->MouseOver(0, 0, IMouseKeys{});
    f.Show();
    EXPECT_TRUE(BandAt(f, *knob, 140.0));
    EXPECT_EQ(Channel(f.ScreenAt(knob->Bounds().left + 28 - 23, knob->Bounds().top + 28), 8), 255);
    EXPECT_FALSE(BandAt(f, *knob, 160.0));

    // At 0 both ends meet: no band at all.
    SetValue(*knob, 0.0);
    f.Show();
    EXPECT_EQ(f.Lit(knob->Bounds(), 8), 0);
}

TEST(KnobTest, ImageKnobTurnsItsImageInsideItsOwnBand) {
    PaintedFixture f;
    // A transparent face with a red pointer mark above its centre (10, 10).
    TestImage face(20, 20, 0);
    face.Mark(IBounds{8, 2, 13, 7}, kRed);
    IKnobArcImg* knob = AddImageKnob(f, face.image);
    f.Attach();
    const int cx = knob->Bounds().left + 28, cy = knob->Bounds().top + 28;

    // Value 0 with imgSweep 300: start and end both at -147 degrees, so no
    // band, and the image turned by -150 degrees: the mark, 5.5 px above the
    // centre, moves down and to the left.
    SetValue(*knob, 0.0);
    f.Show();
    EXPECT_NEAR(knob->ImageAngle(), -150.0 * kDegree, 1e-6);
    EXPECT_EQ(f.Lit(knob->Bounds(), 8), 0);
    EXPECT_GT(Channel(f.ScreenAt(cx - 3, cy + 5), 16), 200);
    EXPECT_EQ(Channel(f.ScreenAt(cx, cy - 5), 16), 0);
    EXPECT_FALSE(knob->DrawsArc()); // the base knob draws no arc of its own

    SetValue(*knob, 1.0);
    f.Show();
    EXPECT_NEAR(knob->ImageAngle(), 150.0 * kDegree, 1e-6);
    EXPECT_TRUE(BandAt(f, *knob, 140.0));
    EXPECT_FALSE(BandAt(f, *knob, 165.0));
}

TEST(KnobTest, SplitImageTurnsTheCachedLeftHalfOverTheStillRightHalf) {
    // The pointer half is registered under the body's id, as splitting does;
    // the id is this test's own, since the cache is shared by the process.
    constexpr int kPointerId = -7001;
    auto pointer = std::make_unique<RAST_MemBitmap>(20, 20);
    RAST_FillRectangle(pointer.get(), 0, 0, 20, 20, 0, 1.0f, RAST_MODE_COPY);
    RAST_FillRectangle(pointer.get(), 8, 2, 5, 5, kRed, 1.0f, RAST_MODE_COPY);
    ImageCache::Instance().Add(kPointerId, std::move(pointer));
    TestImage body(20, 20, 0);
    body.Mark(IBounds{0, 0, 3, 3}, RAST_MakePixel(255, 0, 0, 255)); // blue top-left corner
    body.image.cacheId = kPointerId;

    PaintedFixture f;
    IKnobArcImg* knob = AddImageKnob(f, body.image);
    IImage unknown = body.image;
    unknown.cacheId = -7002; // nothing registered: the body alone
    IKnobArcImg* lone =
        f.Add<IKnobArcImg>(-1, 50.0, 40.0, WhiteText(0), kGreenArc, 20.0f, 6.0f, -4, 0, 2, 300, 1.0,
                           0, 0.2f, unknown, 300, 2, 20.0f, 6.0f, 0.2f);
    lone->SetHidden(true);
    f.Attach();
    const int cx = knob->Bounds().left + 28, cy = knob->Bounds().top + 28;
    SetValue(*knob, 0.0);
    f.Show();
    EXPECT_GT(Channel(f.ScreenAt(cx - 10, cy - 10), 0), 200); // the body is not turned
    EXPECT_GT(Channel(f.ScreenAt(cx - 3, cy + 5), 16), 200);  // the pointer is
    // Hovered, the body is dimmed and the pointer is not.
    const int pointerRed = Channel(f.ScreenAt(cx - 4, cy + 4), 16);
    EXPECT_GT(pointerRed, 200);
    knob->MouseOver(cx, cy, IMouseKeys{});
    f.Show();
    EXPECT_NEAR(Channel(f.ScreenAt(cx - 10, cy - 10), 0), 204, 1);
    EXPECT_EQ(Channel(f.ScreenAt(cx - 4, cy + 4), 16), pointerRed);

    knob->SetHidden(true);
    lone->SetHidden(false);
    f.surface->RedrawAll();
    f.Show();
    EXPECT_GT(Channel(f.ScreenAt(cx - 10, cy - 10), 0), 200);
    EXPECT_EQ(Channel(f.ScreenAt(cx - 3, cy + 5), 16), 0);
}

TEST(KnobTest, RightClickHidesTheValueTextUntilTheEntryEnds) {
    // Level shows "25.00" and the unit "%"; the knobs have no band, so every
    // lit pixel is text.
    for (int mode : {1, 2, 3, 4}) {
        SCOPED_TRACE(mode);
        PaintedFixture f;
        IKnobArc* knob = AddKnob(f, GuiTestCore::kLevel, mode, 0.0f, 300, 1.0, 0, 2);
        f.Attach();
        const IBounds& b = knob->Bounds();
        const IBounds beside{b.right + 2, b.top, b.right + 35, b.bottom};
        f.Show();
        EXPECT_GT(f.Lit(b), 0);

        f.surface->MouseDownAt(b.left + 20, b.top + 20, kRightButton);
        f.surface->MouseUpAt(b.left + 20, b.top + 20, kRightButton);
        ASSERT_EQ(f.surface->prompts.size(), 1u);
        EXPECT_EQ(f.surface->prompts[0].control, knob);
        EXPECT_TRUE(knob->EntryOpen());
        f.Show();
        EXPECT_EQ(f.Lit(b), 0);
        // The unit beside the knob stays while the value is typed in.
        if (mode == 3) {
            EXPECT_GT(f.Lit(beside), 0);
        }

        knob->EndValueEntry();
        f.Show();
        EXPECT_FALSE(knob->EntryOpen());
        EXPECT_GT(f.Lit(b), 0);
    }

    // Without text size or parameter there is nothing to show or to enter.
    PaintedFixture f;
    IKnobArc* bare = f.Add<IKnobArc>(GuiTestCore::kLevel, 50.0, 40.0, WhiteText(0), kGreenArc,
                                     20.0f, 0.0f, -4, 4, 2, 300, 1.0, 0, 0.2f);
    IKnobArc* unbound = AddKnob(f, -1, 4, 0.0f);
    unbound->SetHidden(true);
    f.Attach();
    f.Show();
    EXPECT_EQ(f.Lit(bare->Bounds()), 0);
    unbound->MouseDown(50, 40, kRightButton);
    EXPECT_FALSE(unbound->EntryOpen() || unbound->ValueEntryPending());
}

TEST(KnobTest, DragGearingCoversTheRangeOverTheFullHeight) {
    PaintedFixture f;
    IKnobArc* knob = AddKnob(f, GuiTestCore::kLevel);
    f.Attach(); // Level at 25 of 0..100 with curve 2: normalised 0.5
    const IBounds b = knob->Bounds();
    const int h = b.H(), x = b.left + 30, y = b.top + 30;
    ASSERT_EQ(h, 56);

    f.surface->MouseDownAt(x, y, kLeftButton);
    f.surface->MouseDragTo(x, y + h / 2, kLeftButton); // down half the height
    EXPECT_DOUBLE_EQ(knob->Value(), 0.0);
    f.surface->MouseDragTo(x + 40, y + h / 2 - h, kLeftButton); // up the full height
    EXPECT_DOUBLE_EQ(knob->Value(), 1.0);
    f.surface->MouseDragTo(x, y + h / 2, kFineDrag); // down again, ten times finer
    EXPECT_NEAR(knob->Value(), 0.9, 1e-12);
    f.surface->MouseUpAt(x, y, kLeftButton);

    ASSERT_FALSE(f.core.edits.empty());
    EXPECT_EQ(f.core.edits.back().first, GuiTestCore::kLevel);
    EXPECT_NEAR(f.core.edits.back().second, 0.9, 1e-12);
    EXPECT_NEAR(f.core.GetParam(GuiTestCore::kLevel)->ToNormalized(), 0.9, 1e-9);
    EXPECT_EQ(f.core.begun, std::vector<int>{GuiTestCore::kLevel});
    EXPECT_EQ(f.core.ended, std::vector<int>{GuiTestCore::kLevel});

    // Horizontal with gearing 4: the full width covers a quarter; vertical
    // movement does nothing. A gearing of 0 counts as 1.
    IKnobArc sideways(nullptr, -1, 50, 40, WhiteText(0), kGreenArc, 20.0f, 6.0f, 0, 0, 2, 300, 4.0,
                      1, 0.2f);
    sideways.MouseDrag(0, 0, sideways.Bounds().W(), -500, IMouseKeys{});
    EXPECT_DOUBLE_EQ(sideways.Value(), 0.25);
    IKnobArc ungeared(nullptr, -1, 50, 40, WhiteText(0), kGreenArc, 20.0f, 6.0f, 0, 0, 2, 300, 0.0,
                      0, 0.2f);
    EXPECT_EQ(ungeared.Gearing(), 1.0);
    ungeared.MouseDrag(0, 0, 0, -ungeared.Bounds().H() / 2, IMouseKeys{});
    EXPECT_DOUBLE_EQ(ungeared.Value(), 0.5);
}

TEST(KnobTest, BadGeometryAndValuesNeitherCrashNorDrawNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PaintedFixture f;
    // A knob without size along its axis ignores drags.
    IKnobArc* flat = f.Add<IKnobArc>(GuiTestCore::kLevel, 50.0, 40.0, WhiteText(12), kGreenArc, nan,
                                     nan, 0, 1, 0, 300, 1.0, 0, 0.2f);
    IKnobArc* far = f.Add<IKnobArc>(-1, 1e12, -1e12, WhiteText(12), kGreenArc, 20.0f, 6.0f, 100000,
                                    5, 100000, 100000, 1.0, 0, 0.2f);
    IKnobArc* huge = f.Add<IKnobArc>(-1, 50.0, 40.0, WhiteText(12), kGreenArc, 1e6f, 1e9f, 0, 3, 2,
                                     -300, 1.0, 0, 0.2f);
    IKnobArc* thick = f.Add<IKnobArc>(-1, 50.0, 40.0, WhiteText(12), kGreenArc, -5.0f, 60.0f, 0, 0,
                                      2, 300, 1.0, 0, 0.2f);
    IKnobArcImg* blank = AddImageKnob(f, IImage{nullptr, 50, 50, 1, -7003});
    f.Attach();
    EXPECT_EQ(far->Bounds().right, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(far->Bounds().top, std::numeric_limits<int32_t>::min());

    flat->MouseDrag(0, 0, 10, 10, IMouseKeys{});
    EXPECT_DOUBLE_EQ(flat->Value(), 0.5);
    for (IControl* knob : {static_cast<IControl*>(huge), static_cast<IControl*>(thick),
                           static_cast<IControl*>(blank)})
        knob->SetValue(std::numeric_limits<double>::quiet_NaN());
    f.Show();
    thick->SetValue(1.0);
    f.surface->RedrawAll();
    f.Show();
    EXPECT_GT(f.Lit(thick->Bounds(), 8), 0);
}
