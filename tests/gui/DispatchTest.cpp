#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "GuiTestSupport.h"

namespace {
using Events = std::vector<std::string>;
const IMouseKeys kLeft{1, 0, 0, 0, 0};

// A background, and two overlapping bound controls above it.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        back = f.Add<EventControl>(IBounds{0, 0, 100, 80});
        below = f.Add<EventControl>(IBounds{10, 10, 50, 50}, GuiTestCore::kLevel);
        above = f.Add<EventControl>(IBounds{30, 30, 70, 70}, GuiTestCore::kWave);
        f.Attach();
    }

    SurfaceFixture f;
    EventControl* back = nullptr;
    EventControl* below = nullptr;
    EventControl* above = nullptr;
};
} // namespace

TEST_F(DispatchTest, TheTopmostReachableControlGetsThePress) {
    f.surface->MouseDownAt(40, 40, kLeft);
    f.surface->MouseUpAt(40, 40, kLeft);
    EXPECT_EQ(above->events, (Events{"down 40,40", "up 40,40"}));
    EXPECT_TRUE(below->events.empty());

    above->SetGrayed(true);
    f.surface->MouseDownAt(40, 40, kLeft);
    f.surface->MouseUpAt(40, 40, kLeft);
    EXPECT_EQ(below->events, (Events{"down 40,40", "up 40,40"}));
    // Bound controls bracket the press with begin and end of an edit.
    EXPECT_EQ(f.core.begun, (std::vector<int>{GuiTestCore::kWave, GuiTestCore::kLevel}));
    EXPECT_EQ(f.core.ended, (std::vector<int>{GuiTestCore::kWave, GuiTestCore::kLevel}));
}

TEST_F(DispatchTest, ACapturedControlGetsEveryDragUntilRelease) {
    f.surface->MouseDownAt(20, 20, kLeft);
    EXPECT_EQ(f.surface->MouseCapture(), 1);
    f.surface->MouseDragTo(20, 20, kLeft); // no movement: not delivered
    f.surface->MouseDragTo(25, 18, kLeft);
    f.surface->MouseDragTo(500, -300, kLeft); // far outside the editor
    f.surface->MouseUpAt(500, -300, kLeft);
    EXPECT_EQ(below->events, (Events{"down 20,20", "drag 5,-2", "drag 475,-318", "up 500,-300"}));
    EXPECT_EQ(f.surface->MouseCapture(), -1);

    // Without a capture, drags go nowhere.
    f.surface->MouseDragTo(40, 40, kLeft);
    EXPECT_TRUE(above->events.empty());
    EXPECT_EQ(below->events.size(), 4u);
}

TEST_F(DispatchTest, ExtremeCoordinatesNeverOverflowOrReachAControl) {
    for (int v : {INT_MIN, INT_MAX}) {
        f.surface->MouseDownAt(v, v, kLeft);
        f.surface->MouseDoubleClickAt(v, -v - 1, kLeft);
        f.surface->MouseWheelAt(v, v, kLeft, 1.0);
        f.surface->KeyDownAt(v, v, 13);
        f.surface->MouseUpAt(v, v, kLeft);
    }
    EXPECT_TRUE(back->events.empty() && below->events.empty() && above->events.empty());

    // A drag from one end of the coordinate range to the other saturates.
    f.surface->MouseDownAt(0, 0, kLeft);
    f.surface->MouseDragTo(INT_MAX, INT_MAX, kLeft);
    f.surface->MouseDragTo(INT_MIN, INT_MIN, kLeft);
    EXPECT_EQ(back->events[1], "drag " + std::to_string(INT_MAX) + "," + std::to_string(INT_MAX));
    EXPECT_EQ(back->events[2], "drag " + std::to_string(INT_MIN) + "," + std::to_string(INT_MIN));
}

TEST_F(DispatchTest, DoubleClickResetsUnlessItCountsAsAClick) {
    above->SetValue(0.0);
    EXPECT_FALSE(f.surface->MouseDoubleClickAt(40, 40, kLeft));
    EXPECT_EQ(above->events, (Events{"double 40,40"}));
    EXPECT_DOUBLE_EQ(above->Value(), 2.0 / 3.0); // the default pushed at attachment
    EXPECT_EQ(f.surface->MouseCapture(), -1);
    EXPECT_EQ(f.core.begun, (std::vector<int>{GuiTestCore::kWave}));

    below->SetDoubleClickAsClick(true);
    EXPECT_TRUE(f.surface->MouseDoubleClickAt(20, 20, kLeft));
    EXPECT_EQ(below->events, (Events{"down 20,20"}));
    EXPECT_EQ(f.surface->MouseCapture(), 1);
    f.surface->MouseUpAt(20, 20, kLeft);
    EXPECT_EQ(f.core.ended, (std::vector<int>{GuiTestCore::kLevel}));
}

TEST_F(DispatchTest, WheelEditsEndAfterACountdown) {
    f.surface->MouseWheelAt(40, 40, IMouseKeys{}, 1.0);
    EXPECT_DOUBLE_EQ(above->Value(), 2.0 / 3.0 + 0.125);
    EXPECT_EQ(f.surface->Countdown(), 15);
    EXPECT_EQ(f.core.begun, (std::vector<int>{above->ParamIndex()}));
    EXPECT_TRUE(f.core.ended.empty());

    // The unbound background takes wheel events without an edit.
    f.surface->MouseWheelAt(90, 5, IMouseKeys{}, 1.0);
    EXPECT_EQ(back->Value(), 0.0);
    EXPECT_EQ(f.core.edits.size(), 1u);

    // Closing the window ends the pending edit at once: no timer is left to.
    f.surface->CloseEditorWindow();
    EXPECT_EQ(f.core.ended, (std::vector<int>{above->ParamIndex()}));
    EXPECT_EQ(f.surface->Countdown(), 0);
}

TEST_F(DispatchTest, HoverIsReportedOnlyWhenWantedAndMovesOut) {
    EXPECT_FALSE(f.surface->MouseOverAt(40, 40, IMouseKeys{}));
    EXPECT_TRUE(above->events.empty());

    f.surface->SetHandleMouseOver(true);
    EXPECT_TRUE(f.surface->MouseOverAt(40, 40, IMouseKeys{}));
    EXPECT_TRUE(f.surface->MouseOverAt(41, 40, IMouseKeys{}));
    EXPECT_EQ(f.surface->MouseOverIndex(), 2);
    EXPECT_TRUE(f.surface->MouseOverAt(20, 20, IMouseKeys{}));
    EXPECT_EQ(above->events, (Events{"over 40,40", "over 41,40", "out"}));
    EXPECT_EQ(below->events, (Events{"over 20,20"}));
    // Outside every control the last one is not told.
    EXPECT_TRUE(f.surface->MouseOverAt(-5, -5, IMouseKeys{}));
    EXPECT_EQ(f.surface->MouseOverIndex(), 1);

    f.surface->MouseLeft();
    EXPECT_EQ(f.surface->MouseOverIndex(), -1);
    EXPECT_EQ(back->events, (Events{"out"}));
    EXPECT_EQ(below->events.back(), "out");
}

TEST_F(DispatchTest, KeysGoToTheControlUnderThePointer) {
    f.surface->KeyDownAt(20, 20, 37);
    EXPECT_EQ(below->events, (Events{"key 37"}));
}

namespace {
// A popup menu stand-in over the top controls, owned by the lower one.
class PopupTest : public DispatchTest {
protected:
    void SetUp() override {
        DispatchTest::SetUp();
        auto menu = std::make_unique<EventControl>(&f.core, IBounds{60, 5, 95, 25});
        popup = menu.get();
        popup->SetParent(below);
        popupIndex = f.surface->AddControl(std::move(menu));
        f.surface->SetOpenPopup(popup);
        back->MarkClean();
    }

    EventControl* popup = nullptr;
    int popupIndex = -1;
};
} // namespace

TEST_F(PopupTest, APressElsewhereClosesThePopupAndTellsItsOwner) {
    ASSERT_EQ(f.surface->OpenPopup(), popup);
    f.surface->MouseDownAt(40, 40, IMouseKeys{0, 1, 0, 0, 0});
    EXPECT_EQ(f.surface->NumControls(), popupIndex);
    EXPECT_EQ(f.surface->OpenPopup(), nullptr);
    EXPECT_EQ(below->events, (Events{"choice '' -1"}));
    // The pressed control still gets the press, which only clears the
    // dismissal marker: no value entry opens.
    EXPECT_EQ(above->events, (Events{"down 40,40"}));
    EXPECT_TRUE(f.surface->prompts.empty());
    EXPECT_FALSE(f.surface->PopupMarkerSet());
    EXPECT_EQ(f.surface->MouseCapture(), 2);
    EXPECT_TRUE(back->IsDirty());
}

TEST_F(PopupTest, PressesOnThePopupLeaveItOpen) {
    f.surface->MouseDownAt(70, 10, kLeft);
    f.surface->MouseUpAt(70, 10, kLeft);
    EXPECT_EQ(popup->events, (Events{"down 70,10", "up 70,10"}));
    EXPECT_EQ(f.surface->NumControls(), popupIndex + 1);
}

TEST_F(PopupTest, ClosingWithAChoiceClearsTheMarkerAndClosingTwiceDoesNothing) {
    f.surface->ClosePopup(true);
    EXPECT_EQ(f.surface->NumControls(), popupIndex);
    EXPECT_FALSE(f.surface->PopupMarkerSet());
    EXPECT_TRUE(below->events.empty());
    f.surface->ClosePopup(false);
    f.surface->ClosePopup(true);
    EXPECT_EQ(f.surface->NumControls(), popupIndex);
    EXPECT_TRUE(below->events.empty());

    // Only a control of the list can become the popup.
    EventControl stranger(&f.core, IBounds{0, 0, 5, 5});
    f.surface->SetOpenPopup(&stranger);
    f.surface->SetOpenPopup(nullptr);
    EXPECT_EQ(f.surface->OpenPopup(), nullptr);
}

TEST_F(PopupTest, ADismissedPopupSwallowsOneRightClickOfAControl) {
    f.surface->ClosePopup(false);
    EXPECT_TRUE(f.surface->PopupMarkerSet());
    const IMouseKeys right{0, 1, 0, 0, 0};
    f.surface->MouseDownAt(20, 20, right);
    EXPECT_TRUE(f.surface->prompts.empty());
    EXPECT_FALSE(f.surface->PopupMarkerSet());
    f.surface->MouseDownAt(20, 20, right);
    ASSERT_EQ(f.surface->prompts.size(), 1u);
    EXPECT_EQ(f.surface->prompts[0].control, below);
}
