#include <gtest/gtest.h>
#include <limits>

#include "CustomControlSupport.h"
#include "ISwitchLbl.h"

namespace {
ITextStyle WhiteText(int size) {
    return ITextStyle("Liberation Sans", size, IArgb{255, 255, 255, 255});
}
} // namespace

TEST(SwitchLblTest, FrameIsCentredInItsSlotAndFollowsTheValue) {
    PaintedFixture f;
    Strip strip(2, 40, false); // two 40 x 4 frames side by side, blue 1 and 2
    ISwitchLbl* sw = f.Add<ISwitchLbl>(10, 20, -1, strip.image, WhiteText(0), 78, IBlend{}, 0.2f);
    // No slot: one frame wide, the frame at the left.
    ISwitchLbl* plain =
        f.Add<ISwitchLbl>(10, 40, -1, strip.image, WhiteText(-3), 0, IBlend{}, 0.2f);
    f.Attach();
    EXPECT_EQ(sw->Bounds(), (IBounds{10, 20, 88, 24}));
    EXPECT_EQ(plain->Bounds(), (IBounds{10, 40, 50, 44}));

    f.Show();
    EXPECT_EQ(sw->FrameBox(), (IBounds{29, 20, 69, 24})); // 19 px in: (78 - 40) / 2
    EXPECT_EQ(Channel(f.ScreenAt(29, 21), 0), 1);
    EXPECT_EQ(f.ScreenAt(28, 21), RAST_MakePixel(255, 0, 0, 0));
    EXPECT_EQ(Channel(f.ScreenAt(68, 21), 0), 1);
    EXPECT_EQ(Channel(f.ScreenAt(10, 41), 0), 1);

    sw->SetValue(0.6); // rounds to the second frame
    sw->MarkDirty(false);
    f.Show();
    EXPECT_EQ(sw->Frame(), 2);
    EXPECT_EQ(Channel(f.ScreenAt(29, 21), 0), 2);
}

TEST(SwitchLblTest, LeftClicksStepAndWrapAndReachTheCore) {
    PaintedFixture f;
    Strip strip(3, 10, false);
    ISwitchLbl* sw =
        f.Add<ISwitchLbl>(0, 0, GuiTestCore::kSteps, strip.image, WhiteText(0), 30, IBlend{}, 0.2f);
    f.Attach(); // Steps 5 of 0..10: 0.5
    for (double expected : {1.0, 0.0, 0.5}) {
        f.surface->MouseDownAt(5, 2, kLeftButton);
        f.surface->MouseUpAt(5, 2, kLeftButton);
        EXPECT_DOUBLE_EQ(sw->Value(), expected);
        EXPECT_DOUBLE_EQ(f.core.edits.back().second, expected);
    }

    // A single frame steps by 1 and wraps on the second click.
    Strip single(1, 10, false);
    ISwitchLbl one(nullptr, 0, 0, -1, single.image, WhiteText(0), 0, IBlend{}, 0.2f);
    one.MouseDown(0, 0, kLeftButton);
    EXPECT_EQ(one.Value(), 1.0);
    one.MouseDown(0, 0, kLeftButton);
    EXPECT_EQ(one.Value(), 0.0);
}

TEST(SwitchLblTest, ValueTextUnderTheImageAndHoverDimming) {
    PaintedFixture f;
    TestImage bright(20, 10, RAST_MakePixel(255, 0, 0, 200));
    ISwitchLbl* sw = f.Add<ISwitchLbl>(10, 10, GuiTestCore::kWave, bright.image, WhiteText(14), 60,
                                       IBlend{}, 0.5f);
    // Without an image bitmap only the text is drawn.
    ISwitchLbl* blank = f.Add<ISwitchLbl>(10, 50, GuiTestCore::kWave, IImage{nullptr, 20, 10, 2, 0},
                                          WhiteText(14), 60, IBlend{}, 0.5f);
    f.Attach();
    EXPECT_EQ(sw->Bounds(), (IBounds{10, 10, 70, 34}));
    f.Show();
    const IBounds strip{10, 20, 70, 34};
    EXPECT_GT(f.Lit(strip), 0); // "Triangle"
    EXPECT_GT(f.Lit(IBounds{10, 50, 70, 74}), 0);
    EXPECT_EQ(Channel(f.ScreenAt(30, 12), 0), 200);

    sw->MouseOver(30, 12, IMouseKeys{});
    f.Show();
    EXPECT_NEAR(Channel(f.ScreenAt(30, 12), 0), 100, 1);
    sw->MouseOut();
    f.Show();
    EXPECT_EQ(Channel(f.ScreenAt(30, 12), 0), 200);
    (void)blank;
}

TEST(SwitchLblTest, ExtremePlacesAndSizesStayInRange) {
    PaintedFixture f;
    Strip strip(2, 40, false);
    const int kMax = std::numeric_limits<int>::max();
    ISwitchLbl* far = f.Add<ISwitchLbl>(kMax - 5, kMax - 5, GuiTestCore::kWave, strip.image,
                                        WhiteText(kMax), kMax, IBlend{}, 0.2f);
    ISwitchLbl* inverted = f.Add<ISwitchLbl>(5, 5, -1, IImage{nullptr, -40, -4, 0, 0},
                                             WhiteText(12), -10, IBlend{}, 0.2f);
    f.Attach();
    EXPECT_EQ(far->Bounds(), (IBounds{kMax - 5, kMax - 5, kMax, kMax}));
    far->SetValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(far->Frame(), 1);
    f.Show();
    inverted->MouseDown(5, 5, kLeftButton);
    EXPECT_EQ(inverted->Value(), 1.0);
}
