#include <gtest/gtest.h>
#include <limits>

#include "CustomControlSupport.h"
#include "ISlider.h"

namespace {
const ITextStyle kNoText("Liberation Sans", 0, IArgb{255, 255, 255, 255});
const IArgb kGreenFill{255, 0, 255, 0};
const Pixel kRed = RAST_MakePixel(255, 255, 0, 0);
} // namespace

TEST(SliderTest, HorizontalPressesInsideTheTrackSetTheValue) {
    PaintedFixture f;
    TestImage handle(20, 10, kRed);
    // Length 100 with a 20-pixel handle: travel 80 along (0, 10)..(100, 20).
    ISliderImg* slider = f.Add<ISliderImg>(GuiTestCore::kLevel, IBounds{0, 10, 100, 40},
                                           handle.image, kNoText, 100, true, 0.1f);
    f.Attach();
    EXPECT_EQ(slider->Track(), (IBounds{0, 10, 100, 20}));
    EXPECT_EQ(slider->Travel(), 80);

    const std::pair<int, double> presses[] = {{30, 0.25}, {50, 0.5}, {0, 0.0}, {100, 1.0}};
    for (const auto& [x, expected] : presses) {
        f.surface->MouseDownAt(x, 15, kLeftButton);
        f.surface->MouseUpAt(x, 15, kLeftButton);
        EXPECT_DOUBLE_EQ(slider->Value(), expected) << x;
        EXPECT_DOUBLE_EQ(f.core.edits.back().second, expected) << x;
    }

    // Below the track but inside the bounds: nothing happens.
    const size_t edits = f.core.edits.size();
    f.surface->MouseDownAt(30, 30, kLeftButton);
    EXPECT_FALSE(slider->Dragging());
    f.surface->MouseDragTo(60, 30, kLeftButton);
    EXPECT_EQ(f.core.edits.size(), edits);

    // A drag follows the pointer anywhere until the release.
    f.surface->MouseDownAt(10, 15, kLeftButton);
    EXPECT_TRUE(slider->Dragging());
    f.surface->MouseDragTo(60, 70, kLeftButton);
    EXPECT_DOUBLE_EQ(slider->Value(), 0.625);
    f.surface->MouseUpAt(60, 70, kLeftButton);
    EXPECT_FALSE(slider->Dragging());
    slider->MouseDrag(90, 15, 30, 0, kLeftButton);
    EXPECT_DOUBLE_EQ(slider->Value(), 0.625);
}

TEST(SliderTest, VerticalPressAtTheTopClampsToOne) {
    PaintedFixture f;
    TestImage handle(10, 20, kRed);
    ISliderImg* slider = f.Add<ISliderImg>(GuiTestCore::kLevel, IBounds{40, 0, 60, 80},
                                           handle.image, kNoText, 60, false, 0.1f);
    f.Attach();
    EXPECT_EQ(slider->Track(), (IBounds{45, 0, 55, 60}));
    EXPECT_EQ(slider->Travel(), 40);
    f.surface->MouseDownAt(50, 0, kLeftButton); // 1 - (0 - 10) / 40 = 1.25
    EXPECT_DOUBLE_EQ(slider->Value(), 1.0);
    f.surface->MouseDragTo(50, 30, kLeftButton);
    EXPECT_DOUBLE_EQ(slider->Value(), 0.5);
}

TEST(SliderTest, HandleShowsTheParameterAndIsDimmedUntilHovered) {
    PaintedFixture f;
    TestImage handle(20, 10, kRed);
    ISliderImg* slider = f.Add<ISliderImg>(GuiTestCore::kLevel, IBounds{0, 10, 100, 40},
                                           handle.image, kNoText, 100, true, 0.5f);
    f.Attach();
    // The parameter moves without the control hearing of it.
    f.core.GetParam(GuiTestCore::kLevel)->SetFromNormalized(0.25);
    EXPECT_DOUBLE_EQ(slider->Value(), 0.5);
    EXPECT_EQ(slider->HandleBox(), (IBounds{20, 10, 40, 40}));
    f.Show();
    EXPECT_EQ(Channel(f.ScreenAt(20, 12), 16), 255);
    EXPECT_EQ(Channel(f.ScreenAt(19, 12), 16), 0);
    EXPECT_EQ(Channel(f.ScreenAt(40, 12), 16), 0);

    f.surface->SetHandleMouseOver(true);
    slider->MarkDirty(false);
    f.Show();
    EXPECT_NEAR(Channel(f.ScreenAt(20, 12), 16), 128, 1);
    f.surface->MouseOverAt(30, 15, IMouseKeys{});
    EXPECT_TRUE(slider->Hovered());
    f.Show();
    EXPECT_EQ(Channel(f.ScreenAt(20, 12), 16), 255);
}

TEST(SliderTest, FillBarInItsThreeModes) {
    PaintedFixture f;
    // Handles without bitmaps: only the bars are drawn.
    const IImage wide{nullptr, 20, 10, 1, 0}, tall{nullptr, 10, 20, 1, 0};
    ISlider* centred = f.Add<ISlider>(-1, IBounds{0, 10, 100, 40}, wide, kNoText, kGreenFill, 100,
                                      4, true, 1, true, 0.1f);
    ISlider* fromLeft = f.Add<ISlider>(-1, IBounds{0, 40, 100, 70}, wide, kNoText, kGreenFill, 100,
                                       4, true, 1, false, 0.1f);
    ISlider* vertical = f.Add<ISlider>(-1, IBounds{80, 0, 100, 80}, tall, kNoText, kGreenFill, 60,
                                       4, false, 1, false, 0.1f);
    f.Attach();

    // Centred at the middle: a bar of no width.
    centred->SetValue(0.5);
    EXPECT_EQ(centred->FillBar(), (IBounds{50, 13, 50, 17}));
    centred->SetValue(0.25); // from a quarter of the travel to the middle
    EXPECT_EQ(centred->FillBar(), (IBounds{30, 13, 50, 17}));
    centred->SetValue(1.0);
    EXPECT_EQ(centred->FillBar(), (IBounds{50, 13, 90, 17}));

    fromLeft->SetValue(0.25);
    EXPECT_EQ(fromLeft->FillBar(), (IBounds{1, 43, 30, 47}));
    fromLeft->SetValue(0.0); // up to the handle's centre, past the inset
    EXPECT_EQ(fromLeft->FillBar(), (IBounds{1, 43, 10, 47}));

    // Vertical: from the handle's centre down to the inset at the track's end.
    vertical->SetValue(0.5);
    EXPECT_EQ(vertical->FillBar(), (IBounds{88, 30, 92, 59}));

    centred->SetValue(0.5);
    f.Show();
    EXPECT_EQ(f.Lit(IBounds{0, 10, 80, 40}, 8), 0); // the vertical slider lies beyond x 80
    centred->SetValue(0.25);
    centred->MarkDirty(false);
    f.Show();
    EXPECT_EQ(Channel(f.ScreenAt(30, 13), 8), 255);
    EXPECT_EQ(Channel(f.ScreenAt(49, 16), 8), 255);
    EXPECT_EQ(Channel(f.ScreenAt(29, 13), 8), 0);
    EXPECT_EQ(Channel(f.ScreenAt(50, 13), 8), 0);
    EXPECT_EQ(Channel(f.ScreenAt(30, 17), 8), 0);
}

TEST(SliderTest, NoTravelAndExtremeInputStaySafe) {
    PaintedFixture f;
    TestImage handle(20, 10, kRed);
    // The track is shorter than the handle: travel -10.
    ISlider* cramped = f.Add<ISlider>(GuiTestCore::kLevel, IBounds{0, 0, 100, 30}, handle.image,
                                      kNoText, kGreenFill, 10, 4, true, 1, false, 0.1f);
    const int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    ISlider* far =
        f.Add<ISlider>(GuiTestCore::kWave, IBounds{kMax - 10, kMax - 10, kMax, kMax}, handle.image,
                       ITextStyle("Liberation Sans", 12, IArgb{255, 255, 255, 255}), kGreenFill,
                       kMax, kMax, false, kMin, true, 0.1f);
    ISlider* negative = f.Add<ISlider>(-1, IBounds{kMin, kMin, kMin + 10, kMin + 10}, handle.image,
                                       kNoText, kGreenFill, kMin, -7, true, kMax, true, 0.1f);
    f.Attach();
    EXPECT_EQ(cramped->Travel(), -10);
    f.surface->MouseDownAt(cramped->Track().left + 5, 5, kLeftButton);
    f.surface->MouseDragTo(cramped->Track().left + 9, 5, kLeftButton);
    f.surface->MouseUpAt(0, 0, kLeftButton);
    EXPECT_DOUBLE_EQ(cramped->Value(), 0.5);
    EXPECT_EQ(far->Track().bottom, kMax);
    EXPECT_EQ(negative->Travel(), kMin);

    for (ISlider* slider : {cramped, far, negative}) {
        slider->SetValue(std::numeric_limits<double>::quiet_NaN());
        slider->MarkDirty(false);
    }
    f.Show();
    EXPECT_EQ(cramped->HandleBox().left, cramped->Track().left);
    // The handle stays at the start, and so does the end of the bar.
    EXPECT_EQ(cramped->FillBar(), (IBounds{46, 3, 55, 7}));
}
