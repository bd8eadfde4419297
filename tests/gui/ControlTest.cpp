#include <climits>
#include <cmath>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace {
const IMouseKeys kLeft{1, 0, 0, 0, 0};
const IMouseKeys kRight{0, 1, 0, 0, 0};
const IMouseKeys kFine{0, 0, 1, 0, 0};
} // namespace

TEST(ControlTest, NewControlDefaults) {
    SolidControl control(nullptr, IBounds{1, 2, 3, 4});
    EXPECT_EQ(control.Value(), 0.0);
    EXPECT_EQ(control.DefaultValue(), -1.0);
    EXPECT_EQ(control.ParamIndex(), -1);
    EXPECT_EQ(control.HitBounds(), control.Bounds());
    EXPECT_TRUE(control.IsDirty());
    EXPECT_FALSE(control.IsHidden() || control.IsGrayed() || control.RedrawAgain());
    EXPECT_EQ(control.Blend().method, IBlend::kSourceAlpha);
    EXPECT_FLOAT_EQ(control.Blend().weight, 1.0f);
}

TEST(ControlTest, FirstHostValueBecomesTheDefaultAndEqualValuesChangeNothing) {
    SolidControl control(nullptr, IBounds{0, 0, 10, 10}, 0);
    control.MarkClean();
    // Even a first value equal to the current one is taken as the default.
    control.SetValueFromHost(0.0);
    EXPECT_EQ(control.DefaultValue(), 0.0);
    EXPECT_TRUE(control.IsDirty());

    control.MarkClean();
    control.MarkClean();
    EXPECT_FALSE(control.IsDirty());
    control.SetValueFromHost(0.0);
    EXPECT_FALSE(control.IsDirty());

    control.SetValueFromHost(0.75);
    EXPECT_EQ(control.Value(), 0.75);
    EXPECT_EQ(control.DefaultValue(), 0.0);
    // The request outlives one paint already under way.
    control.MarkClean();
    EXPECT_TRUE(control.IsDirty());
    control.MarkClean();
    EXPECT_FALSE(control.IsDirty());

    control.SetValueFromHost(NAN);
    EXPECT_EQ(control.Value(), 0.75);
}

TEST(ControlTest, MarkDirtyClampsAndPushesOnlyBoundValues) {
    GuiTestCore core;
    SolidControl bound(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kSteps);
    bound.SetValue(1.7);
    bound.MarkDirty(false);
    EXPECT_EQ(bound.Value(), 1.0);
    EXPECT_TRUE(core.edits.empty());
    bound.SetValue(-3.0);
    bound.MarkDirty(true);
    EXPECT_EQ(bound.Value(), 0.0);
    ASSERT_EQ(core.edits.size(), 1u);
    EXPECT_EQ(core.edits[0], std::make_pair(int(GuiTestCore::kSteps), 0.0));

    bound.SetClamp(0.2, 0.6);
    bound.SetValue(NAN);
    bound.MarkDirty(false);
    EXPECT_EQ(bound.Value(), 0.2);
    bound.SetClamp(0.9, 0.1); // reversed: ignored
    bound.SetValue(0.8);
    bound.MarkDirty(false);
    EXPECT_EQ(bound.Value(), 0.6);

    SolidControl unbound(&core, IBounds{0, 0, 10, 10});
    unbound.MarkDirty(true);
    // A control bound to a parameter the plug-in lacks never reaches it.
    SolidControl stray(&core, IBounds{0, 0, 10, 10}, 99);
    stray.MarkDirty(true);
    EXPECT_EQ(core.edits.size(), 1u);
}

TEST(ControlTest, ContainsIsInclusiveOnEveryEdgeAndSafeAtExtremes) {
    SolidControl control(nullptr, IBounds{10, 20, 30, 40});
    EXPECT_TRUE(control.Contains(10, 20));
    EXPECT_TRUE(control.Contains(30, 40));
    EXPECT_FALSE(control.Contains(31, 40));
    EXPECT_FALSE(control.Contains(10, 19));
    EXPECT_FALSE(control.Contains(INT_MIN, INT_MAX));
    control.SetHitBounds(IBounds{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    EXPECT_TRUE(control.Contains(INT_MIN, INT_MAX));
    EXPECT_EQ(control.Bounds(), (IBounds{10, 20, 30, 40}));
}

TEST(ControlTest, DoubleClickResetsOnlyOnceADefaultIsKnown) {
    GuiTestCore core;
    SolidControl control(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    control.SetValue(0.9);
    control.MouseDoubleClick(5, 5, kLeft);
    EXPECT_EQ(control.Value(), 0.9);
    EXPECT_TRUE(core.edits.empty());

    control.SetValueFromHost(0.5);
    control.SetValue(0.9);
    control.MouseDoubleClick(5, 5, kLeft);
    EXPECT_EQ(control.Value(), 0.5);
    ASSERT_EQ(core.edits.size(), 1u);
    EXPECT_DOUBLE_EQ(core.GetParam(GuiTestCore::kLevel)->PlainValue(), 25.0);
}

TEST(ControlTest, WheelStepsByKindAndModifier) {
    GuiTestCore core;
    SolidControl wave(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kWave);
    wave.MouseWheel(0, 0, IMouseKeys{}, 1.0);
    EXPECT_DOUBLE_EQ(wave.Value(), 0.125);
    wave.MouseWheel(0, 0, kFine, 1.0);
    EXPECT_DOUBLE_EQ(wave.Value(), 0.1375);
    EXPECT_EQ(core.edits.size(), 2u);

    SolidControl level(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    level.SetValue(0.5);
    level.MouseWheel(0, 0, IMouseKeys{}, -2.0);
    EXPECT_DOUBLE_EQ(level.Value(), 0.48);
    SolidControl steps(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kSteps);
    steps.MouseWheel(0, 0, IMouseKeys{0, 0, 0, 1, 0}, 1.0);
    EXPECT_DOUBLE_EQ(steps.Value(), 0.001);

    // Many notches stop at the end of the range.
    level.MouseWheel(0, 0, IMouseKeys{}, 1e9);
    EXPECT_EQ(level.Value(), 1.0);
}

TEST(ControlTest, WheelIgnoresUnboundUnknownAndNonFiniteInput) {
    GuiTestCore core;
    SolidControl unbound(&core, IBounds{0, 0, 10, 10});
    SolidControl stray(&core, IBounds{0, 0, 10, 10}, 1000);
    SolidControl level(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    unbound.MouseWheel(0, 0, IMouseKeys{}, 1.0);
    stray.MouseWheel(0, 0, IMouseKeys{}, 1.0);
    level.MouseWheel(0, 0, IMouseKeys{}, NAN);
    level.MouseWheel(0, 0, IMouseKeys{}, INFINITY);
    EXPECT_EQ(unbound.Value(), 0.0);
    EXPECT_EQ(stray.Value(), 0.0);
    EXPECT_EQ(level.Value(), 0.0);
    EXPECT_TRUE(core.edits.empty());
}

TEST(ControlTest, HiddenAndGrayedStates) {
    SolidControl control(nullptr, IBounds{0, 0, 10, 10});
    control.MarkClean();
    control.SetHidden(true);
    EXPECT_TRUE(control.IsHidden());
    EXPECT_TRUE(control.IsDirty());
    EXPECT_TRUE(control.RedrawAgain());

    control.SetGrayed(true);
    EXPECT_FLOAT_EQ(control.Blend().weight, 0.25f);
    control.SetGrayed(false);
    EXPECT_FLOAT_EQ(control.Blend().weight, 1.0f);
}

TEST(ControlTest, UserValuesEndEntryAndReachThePlugIn) {
    GuiTestCore core;
    SolidControl control(&core, IBounds{0, 0, 10, 10}, GuiTestCore::kSwitch);
    control.SetValueEntryPending(true);
    control.SetValueFromUser(1.0);
    EXPECT_FALSE(control.ValueEntryPending());
    EXPECT_TRUE(control.RedrawAgain());
    ASSERT_EQ(core.edits.size(), 1u);
    EXPECT_EQ(core.GetParam(GuiTestCore::kSwitch)->PlainValue(), 1.0);

    // Ending the entry repaints but sends nothing: an edit outside begin and
    // end would reach the host otherwise.
    control.SetValueEntryPending(true);
    control.EndValueEntry();
    EXPECT_FALSE(control.ValueEntryPending());
    EXPECT_TRUE(control.IsDirty());
    EXPECT_EQ(core.edits.size(), 1u);
}

TEST(ControlTest, RightClickPromptsForBoundControlsOnly) {
    SurfaceFixture f;
    IControl* bound = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kLevel);
    IControl* quiet = f.Add<SolidControl>(IBounds{0, 0, 10, 10}, GuiTestCore::kSteps);
    quiet->SetNoPrompt(true);
    IControl* unbound = f.Add<SolidControl>(IBounds{0, 0, 10, 10});

    bound->MouseDown(1, 1, kLeft);
    EXPECT_TRUE(f.surface->prompts.empty());
    bound->MouseDown(1, 1, kRight);
    quiet->MouseDown(1, 1, kRight);
    unbound->MouseDown(1, 1, kRight);
    ASSERT_EQ(f.surface->prompts.size(), 1u);
    EXPECT_EQ(f.surface->prompts[0].control, bound);
    EXPECT_EQ(f.surface->prompts[0].param, f.core.GetParam(GuiTestCore::kLevel));
    EXPECT_TRUE(f.surface->prompts[0].centred);
    EXPECT_TRUE(bound->RedrawAgain());
}
