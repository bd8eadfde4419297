#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "IButton.h"
#include "ISwitchControl.h"
#include "ITextControl.h"
#include "IURLControl.h"

namespace {
const IMouseKeys kLeft{1, 0, 0, 0, 0};
const IMouseKeys kRight{0, 1, 0, 0, 0};

// Records the links asked for; only the listed addresses open.
class LinkSurface : public RecordingSurface {
public:
    using RecordingSurface::RecordingSurface;
    bool OpenLink(const char* url, const char* title, const char* confirm,
                  const char* error) override {
        opened.push_back(std::string(url) + " | " + title);
        EXPECT_EQ(confirm, nullptr);
        EXPECT_EQ(error, nullptr);
        for (const std::string& good : reachable)
            if (good == url) return true;
        return false;
    }
    std::vector<std::string> reachable;
    std::vector<std::string> opened;
};

Pixel DrawnAt(const IGraphics& surface, int x, int y) {
    return RAST_RowPointer(surface.DrawBitmap(), y)[x];
}
} // namespace

TEST(SwitchControlTest, LeftClicksStepThroughTheStatesAndWrap) {
    struct Case {
        int frames;
        std::vector<double> values;
    };
    const Case cases[] = {{3, {0.5, 1.0, 0.0, 0.5}}, {2, {1.0, 0.0, 1.0}}, {1, {1.0, 0.0}}};
    for (const Case& c : cases) {
        Strip strip(c.frames, 5, false);
        ISwitchControl control(nullptr, 10, 20, -1, strip.image);
        // One frame in size, the frames side by side.
        EXPECT_EQ(control.Bounds(), (IBounds{10, 20, 15, 24}));
        EXPECT_FALSE(control.Stacked());
        for (double expected : c.values) {
            control.MouseDown(11, 21, kLeft);
            EXPECT_DOUBLE_EQ(control.Value(), expected) << c.frames << " frames";
        }
    }

    // Seven states: six steps of a sixth reach 1 without wrapping early.
    Strip seven(7, 2, false);
    ISwitchControl control(nullptr, 0, 0, -1, seven.image);
    for (int i = 0; i < 6; ++i)
        control.MouseDown(0, 0, kLeft);
    EXPECT_EQ(control.Frame(), 7);
    control.MouseDown(0, 0, kLeft);
    EXPECT_EQ(control.Value(), 0.0);
}

TEST(SwitchControlTest, RightClickAsksForValueEntryAndBoundClicksReachThePlugIn) {
    SurfaceFixture f;
    Strip strip(3, 4, false);
    ISwitchControl* control = f.Add<ISwitchControl>(0, 0, GuiTestCore::kSteps, strip.image);
    f.Attach(); // Steps 5 of 0..10: 0.5, the middle frame
    control->MouseDown(1, 1, kRight);
    ASSERT_EQ(f.surface->prompts.size(), 1u);
    EXPECT_EQ(f.surface->prompts[0].control, control);
    EXPECT_DOUBLE_EQ(control->Value(), 0.5);

    f.surface->PaintRegion(IBounds{0, 0, 10, 10});
    EXPECT_EQ(DrawnAt(*f.surface, 3, 3) & 0xFF, 2u);
    control->MouseDown(1, 1, kLeft);
    EXPECT_DOUBLE_EQ(f.core.GetParam(GuiTestCore::kSteps)->PlainValue(), 10.0);
    f.surface->PaintRegion(IBounds{0, 0, 10, 10});
    EXPECT_EQ(DrawnAt(*f.surface, 3, 3) & 0xFF, 3u);
}

TEST(ButtonTest, LeftClicksToggleAndEitherButtonSendsTheValue) {
    SurfaceFixture f;
    Strip strip(2, 3, true);
    IButton* button = f.Add<IButton>(GuiTestCore::kSwitch, 5, 6, strip.image, 0.3f);
    EXPECT_EQ(button->Bounds(), (IBounds{5, 6, 9, 9}));
    f.Attach(); // Switch is on
    button->MouseDown(6, 7, kLeft);
    EXPECT_EQ(button->Value(), 0.0);
    button->MouseDown(6, 7, kRight);
    EXPECT_EQ(button->Value(), 0.0);
    button->SetValue(0.4);
    button->MouseDown(6, 7, kLeft);
    EXPECT_EQ(button->Value(), 1.0);
    ASSERT_EQ(f.core.edits.size(), 3u);
    EXPECT_EQ(f.core.edits[1].second, 0.0);

    // Broken hover opacities are held to what a blend can use.
    EXPECT_EQ(IButton(nullptr, -1, 0, 0, strip.image, NAN).HoverDim(), 0.0f);
    EXPECT_EQ(IButton(nullptr, -1, 0, 0, strip.image, 7.0f).HoverDim(), 1.0f);
}

TEST(ButtonTest, PaintsTheFirstFrameByStateAndHover) {
    SurfaceFixture f;
    RAST_MemBitmap bright(4, 8); // two stacked frames, the second one never shown
    RAST_FillRectangle(&bright, 0, 0, 4, 4, RAST_MakePixel(255, 0, 0, 200), 1.0f, RAST_MODE_COPY);
    RAST_FillRectangle(&bright, 0, 4, 4, 4, RAST_MakePixel(255, 0, 200, 0), 1.0f, RAST_MODE_COPY);
    IButton* button = f.Add<IButton>(-1, 0, 0, IImage{&bright, 4, 8, 2, 0}, 0.25f);
    f.Attach();
    auto paintedBlue = [&] {
        RAST_FillRectangle(f.surface->DrawBitmap(), 0, 0, 10, 10, 0, 1.0f, RAST_MODE_COPY);
        f.surface->PaintRegion(IBounds{0, 0, 10, 10});
        EXPECT_EQ(DrawnAt(*f.surface, 2, 2) & 0xFF00, 0u);
        return static_cast<double>(DrawnAt(*f.surface, 2, 2) & 0xFF);
    };
    EXPECT_EQ(paintedBlue(), 0.0); // off

    button->MarkClean();
    button->MouseOver(1, 1, IMouseKeys{});
    EXPECT_TRUE(button->Hovered());
    EXPECT_TRUE(button->IsDirty());
    EXPECT_NEAR(paintedBlue(), 50.0, 1.0); // off, hovered: hoverDim
    button->SetValue(1.0);
    EXPECT_NEAR(paintedBlue(), 150.0, 1.0); // on, hovered: 1 - hoverDim
    button->MouseOut();
    EXPECT_FALSE(button->Hovered());
    EXPECT_EQ(paintedBlue(), 200.0); // on
}

TEST(TextControlTest, OnlyAChangedTextRepaints) {
    ITextStyle style("Liberation Sans", 12, IArgb{255, 255, 255, 255});
    ITextControl control(nullptr, IBounds{0, 0, 50, 20}, style, "440 Hz");
    EXPECT_EQ(control.Text(), "440 Hz");
    EXPECT_FALSE(control.IsBound());
    control.MarkClean();
    control.SetText("440 Hz");
    EXPECT_FALSE(control.IsDirty());
    control.SetText("441 Hz");
    EXPECT_TRUE(control.IsDirty());
    EXPECT_EQ(control.Text(), "441 Hz");
    control.MarkClean();
    control.SetText("");
    EXPECT_TRUE(control.IsDirty());

    // An empty text draws nothing and needs no font.
    IGraphicsHeadless surface(nullptr, 10, 10);
    EXPECT_TRUE(control.Paint(surface));
    EXPECT_EQ(control.Style().cachedFont, nullptr);
}

TEST(URLControlTest, FieldsAreCopiedWholeCharactersAtMostAndTerminated) {
    const std::string longUrl = "https://example.org/" + std::string(400, 'x');
    // 1022 bytes and a two-byte character that does not fit the 1023 left.
    const std::string longTitle = std::string(1022, 't') + "\xC3\xA9";
    IURLControl control(nullptr, IBounds{0, 0, 10, 10}, longUrl.c_str(), nullptr,
                        longTitle.c_str());
    EXPECT_EQ(std::string(control.Url()), longUrl.substr(0, 255));
    EXPECT_STREQ(control.BackupUrl(), "");
    EXPECT_EQ(std::string(control.Title()), std::string(1022, 't'));
    EXPECT_EQ(control.ParamIndex(), -1);
}

TEST(URLControlTest, PressOpensTheLinkOrElseTheBackup) {
    GuiTestCore core;
    LinkSurface surface(&core, 50, 50);
    auto add = [&](const char* url, const char* backup) {
        auto link = std::make_unique<IURLControl>(&core, IBounds{0, 0, 10, 10}, url, backup, "T");
        IURLControl* raw = link.get();
        surface.AddControl(std::move(link));
        return raw;
    };
    surface.reachable = {"http://b"};
    add("http://a", "http://b")->MouseDown(1, 1, kLeft);
    EXPECT_EQ(surface.opened, (std::vector<std::string>{"http://a | T", "http://b | T"}));

    surface.opened.clear();
    add("http://b", "http://c")->MouseDown(1, 1, kRight);
    add("", "http://b")->MouseDown(1, 1, kLeft);
    add(nullptr, "")->MouseDown(1, 1, kLeft);
    EXPECT_EQ(surface.opened, (std::vector<std::string>{"http://b | T", "http://b | T"}));

    // Off a surface a press goes nowhere; painting draws nothing.
    IURLControl loose(&core, IBounds{0, 0, 10, 10}, "http://a", "", "");
    loose.MouseDown(1, 1, kLeft);
    EXPECT_TRUE(loose.Paint(surface));
}
