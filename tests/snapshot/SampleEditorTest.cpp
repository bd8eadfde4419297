#include "SampleEditor.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "EventRunner.h"
#include "EventScript.h"
#include "IControl.h"
#include "PngWriter.h"
#include "RAST_Blit.h"
#include "RAST_PngDecoder.h"

using namespace tonewell::snapshot;

namespace {

// What a PNG file written from the screen shows, decoded again.
std::unique_ptr<RAST_IBitmap> Snapshot(const RAST_IBitmap& screen, const char* name) {
    const std::string path = testing::TempDir() + "tonewell_snapshot_" + name + ".png";
    PngWriter::WriteFile(screen, path);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    std::vector<unsigned char> bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGMemory(bytes.data(), bytes.size()));
}

// Pixels that differ inside and outside a box.
struct Changes {
    int inside = 0, outside = 0;
};
Changes Compare(const RAST_IBitmap& a, const RAST_IBitmap& b, const IBounds& box) {
    Changes changes;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (RAST_RowPointer(&a, y)[x] == RAST_RowPointer(&b, y)[x]) continue;
            const bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            ++(in ? changes.inside : changes.outside);
        }
    return changes;
}

std::vector<ScriptEvent> Script(const char* text) {
    return EventScript::Parse(text, "test");
}

} // namespace

TEST(SampleEditorTest, ScriptedDragTurnsAKnobAndTheSnapshotShowsIt) {
    SampleEditor editor;
    EventRunner runner(editor.Surface());
    const auto before = Snapshot(runner.Finish(), "before");
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(before->width(), layout::kWidth);
    ASSERT_EQ(before->height(), layout::kHeight);
    // The background is drawn everywhere, opaque.
    EXPECT_EQ(RAST_RowPointer(before.get(), 369)[367] >> 24, 255u);

    const IControl* knob = editor.Surface().GetControl(editor.KnobIndex(0));
    const double start = knob->Value();
    runner.Run(Script("press 77 133\ndrag 77 120\ndrag 77 93\nrelease 77 93"));
    const auto after = Snapshot(runner.Finish(), "after");
    ASSERT_NE(after, nullptr);

    // 40 pixels up an 82-pixel knob at gearing 4.
    EXPECT_NEAR(knob->Value(), start + 40.0 / 82.0 / 4.0, 1e-9);
    const SampleCore& core = editor.Core();
    EXPECT_EQ(core.begun, std::vector<int>{SampleCore::kFrequency});
    EXPECT_EQ(core.ended, std::vector<int>{SampleCore::kFrequency});
    ASSERT_FALSE(core.edits.empty());
    EXPECT_NEAR(core.edits.back().second, knob->Value(), 1e-9);

    // Only the knob's picture changed: its arc and its value text.
    const Changes changes = Compare(*before, *after, knob->Bounds());
    EXPECT_GT(changes.inside, 100);
    EXPECT_EQ(changes.outside, 0);

    // A double click puts the default back, and the picture with it.
    runner.Run(Script("double 77 133"));
    const auto reset = Snapshot(runner.Finish(), "reset");
    ASSERT_NE(reset, nullptr);
    EXPECT_DOUBLE_EQ(knob->Value(), start);
    EXPECT_EQ(Compare(*before, *reset, IBounds{}).outside, 0);
}

TEST(SampleEditorTest, EveryControlAnswersItsGesture) {
    SampleEditor editor;
    EventRunner runner(editor.Surface());
    const IGraphics& surface = editor.Surface();
    runner.Run(Script("click 50 215\n"  // pan button on
                      "click 300 210\n" // switch on
                      "press 179 226\n" // slider handle to the middle of its track
                      "drag 205 226\n"  // and on to the right
                      "release 205 226\n"
                      "wheel 181 133 2\n"        // binaural knob two steps up
                      "over 145 299\nleave\n")); // hover in and out again
    runner.Finish();
    EXPECT_EQ(surface.GetControl(editor.PanButtonIndex())->Value(), 1.0);
    EXPECT_EQ(surface.GetControl(editor.BeatsButtonIndex())->Value(), 0.0);
    EXPECT_EQ(surface.GetControl(editor.SwitchIndex())->Value(), 1.0);
    // Handle 16 wide on a track from 138 whose travel is 83 - 16.
    EXPECT_NEAR(surface.GetControl(editor.SliderIndex())->Value(), (205 - 138 - 8) / 67.0, 1e-9);
    const double binaural = editor.Core().GetParam(SampleCore::kBinaural)->ToNormalized(4.0);
    EXPECT_NEAR(surface.GetControl(editor.KnobIndex(1))->Value(), binaural + 0.02, 1e-9);

    // A wheel edit ends only when the redraw timer's countdown runs out.
    const auto& ended = editor.Core().ended;
    EXPECT_EQ(std::count(ended.begin(), ended.end(), SampleCore::kBinaural), 0);
    runner.Run(Script("tick 12"));
    EXPECT_EQ(std::count(ended.begin(), ended.end(), SampleCore::kBinaural), 1);
    EXPECT_NE(editor.Listing().find("Pan Reverse"), std::string::npos);
}
