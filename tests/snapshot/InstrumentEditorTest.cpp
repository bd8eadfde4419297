#include "InstrumentEditor.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "EventRunner.h"
#include "EventScript.h"
#include "GRAPH.h"
#include "IControl.h"
#include "ITextControl.h"
#include "IURLControl.h"
#include "ImageCache.h"
#include "PngWriter.h"
#include "RAST_Blit.h"
#include "RAST_LazyBitmap.h"
#include "RAST_PngDecoder.h"
#include "RecordingComponentHandler.h"

using namespace tonewell::snapshot;
using tonewell::hostkit::RecordingComponentHandler;
using CallKind = RecordingComponentHandler::CallKind;

namespace {

// What a PNG file written from the screen shows, decoded again.
std::unique_ptr<RAST_IBitmap> Snapshot(const RAST_IBitmap& screen, const char* name) {
    const std::string path = testing::TempDir() + "tonewell_editor_" + name + ".png";
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

// The editor with a host that records the edits it is sent.
struct HostedEditor {
    HostedEditor() : handler(RecordingComponentHandler::Create()) {
        editor.Plug().setComponentHandler(handler.get());
    }
    ~HostedEditor() { editor.Plug().setComponentHandler(nullptr); }

    bool Hidden(int paramIndex) const {
        return editor.Surface().GetControl(editor.ControlOf(paramIndex))->IsHidden();
    }
    // The kinds of the calls made for one parameter, in order.
    std::vector<CallKind> KindsFor(int paramIndex) const {
        std::vector<CallKind> kinds;
        for (const auto& call : handler->Calls())
            if (call.kind != CallKind::Restart && call.id == static_cast<unsigned>(paramIndex))
                kinds.push_back(call.kind);
        return kinds;
    }

    InstrumentEditor editor;
    Steinberg::IPtr<RecordingComponentHandler> handler;
};

} // namespace

TEST(InstrumentEditorTest, ControlsStandInLayoutOrderWithTheirBoundsAndImages) {
    InstrumentEditor editor;
    const IGraphics& surface = editor.Surface();
    struct Expected {
        int param;
        IBounds bounds;
    };
    const Expected expected[] = {
        {-1, {0, 0, 368, 370}},    {-1, {246, 125, 348, 197}}, {-1, {30, 42, 80, 60}},
        {-1, {71, 7, 263, 54}},    {0, {35, 92, 119, 174}},    {2, {35, 92, 119, 174}},
        {-1, {20, 178, 134, 206}}, {1, {139, 92, 223, 174}},   {5, {42, 206, 110, 224}},
        {4, {30, 234, 122, 252}},  {8, {134, 218, 224, 251}},  {10, {246, 232, 338, 257}},
        {3, {47, 285, 83, 315}},   {6, {112, 267, 178, 331}},  {7, {192, 267, 258, 331}},
        {9, {272, 267, 338, 331}}, {11, {264, 201, 342, 221}}, {-1, {104, 261, 184, 357}},
        {-1, {184, 261, 264, 357}}};
    ASSERT_EQ(surface.NumControls(), 19);
    for (int i = 0; i < 19; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(surface.GetControl(i)->ParamIndex(), expected[i].param);
        EXPECT_EQ(surface.GetControl(i)->Bounds(), expected[i].bounds);
    }
    EXPECT_EQ(surface.GetControl(1), editor.Plug().FrequencyDisplay());
    const auto* version = dynamic_cast<const ITextControl*>(surface.GetControl(2));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->Text(), "v2.3");
    const auto* link = dynamic_cast<const IURLControl*>(surface.GetControl(3));
    ASSERT_NE(link, nullptr);
    EXPECT_STRNE(link->Url(), link->BackupUrl());

    // Every image is built in at its size; the knob strips were split in two.
    const int sizes[][2] = {{368, 370}, {168, 84}, {128, 64}, {144, 30}, {68, 18}, {92, 18},
                            {92, 25},   {114, 28}, {80, 96},  {16, 16},  {108, 20}};
    for (int id = 100; id <= 110; ++id) {
        const IImage image = editor.Surface().GetImage(id);
        EXPECT_TRUE(image.IsValid()) << id;
        EXPECT_EQ(image.width, sizes[id - 100][0]) << id;
        EXPECT_EQ(image.height, sizes[id - 100][1]) << id;
    }
}

TEST(InstrumentEditorTest, TheModeShowsItsOwnLayoutAndTheModeButtonSwapsThem) {
    HostedEditor hosted;
    CLS_TONEWELL& plug = hosted.editor.Plug();
    auto synthesizerLayout = [&](bool synthesizer) {
        EXPECT_EQ(hosted.Hidden(ParamFrequency), synthesizer);
        EXPECT_EQ(plug.CaptionImage()->IsHidden(), synthesizer);
        for (int synthOnly : {ParamTuningFreq, ParamAttack, ParamRelease, ParamCenterFreq})
            EXPECT_EQ(hosted.Hidden(synthOnly), !synthesizer) << synthOnly;
        EXPECT_EQ(plug.CoverImage(0)->IsHidden(), synthesizer);
        EXPECT_EQ(plug.CoverImage(1)->IsHidden(), synthesizer);
    };
    // The instrument starts as a synthesizer.
    synthesizerLayout(true);

    EventRunner runner(hosted.editor.Surface());
    runner.Run(Script("click 290 244"));
    EXPECT_EQ(plug.GetParam(ParamMode)->PlainValue(), 0.0);
    synthesizerLayout(false);
    EXPECT_EQ(
        hosted.KindsFor(ParamMode),
        (std::vector<CallKind>{CallKind::BeginEdit, CallKind::PerformEdit, CallKind::EndEdit}));

    // A press where both frequency knobs lie reaches the one shown.
    runner.Run(Script("press 77 133\ndrag 77 120\nrelease 77 120"));
    EXPECT_FALSE(hosted.KindsFor(ParamFrequency).empty());
    EXPECT_TRUE(hosted.KindsFor(ParamTuningFreq).empty());

    runner.Run(Script("click 290 244"));
    synthesizerLayout(true);
}

TEST(InstrumentEditorTest, ScriptedGesturesEditTheEngineAndTheSnapshotShowsOnlyWhatChanged) {
    HostedEditor hosted;
    CLS_TONEWELL& plug = hosted.editor.Plug();
    EventRunner runner(hosted.editor.Surface());
    const auto before = Snapshot(runner.Finish(), "before");
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(before->width(), 368);
    ASSERT_EQ(before->height(), 370);
    EXPECT_EQ(RAST_RowPointer(before.get(), 369)[367] >> 24, 255u);

    // 40 pixels up an 82-pixel knob at gearing 4 moves "Binaural" by 40 / 328.
    const double start = plug.GetParam(ParamBeatFreq)->ToNormalized();
    runner.Run(Script("press 181 133\ndrag 181 120\ndrag 181 93\nrelease 181 93"));
    const auto after = Snapshot(runner.Finish(), "after");
    ASSERT_NE(after, nullptr);
    EXPECT_NEAR(plug.GetParam(ParamBeatFreq)->ToNormalized(), start + 40.0 / 82.0 / 4.0, 1e-9);
    const auto kinds = hosted.KindsFor(ParamBeatFreq);
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(kinds.front(), CallKind::BeginEdit);
    EXPECT_EQ(kinds.back(), CallKind::EndEdit);
    // The engine took the new beat (in hundredths of a hertz), and the display its band.
    EXPECT_NEAR(plug.State().beatHz, plug.GetParam(ParamBeatFreq)->PlainValue(), 0.005);
    const IBounds knob = hosted.editor.Surface().GetControl(7)->Bounds();
    const IBounds display{246, 125, 348, 200};
    const Changes knobChanges = Compare(*before, *after, knob);
    EXPECT_GT(knobChanges.inside, 100);
    EXPECT_EQ(knobChanges.outside, Compare(*before, *after, display).inside);

    // The wave switch steps through its four shapes and wraps.
    for (int expected : {1, 2, 3, 0}) {
        runner.Run(Script("click 65 300"));
        EXPECT_EQ(plug.State().waveShape, expected);
    }
}

TEST(InstrumentEditorTest, FrequencyDisplayNamesTheBandAndTheNote) {
    EXPECT_EQ(GRAPH::BandName(0.0f), nullptr);
    EXPECT_EQ(GRAPH::BandName(-1.0f), nullptr);
    EXPECT_STREQ(GRAPH::BandName(0.49f), "EPSILON");
    EXPECT_STREQ(GRAPH::BandName(3.99f), "DELTA");
    EXPECT_STREQ(GRAPH::BandName(4.0f), "THETA");
    EXPECT_STREQ(GRAPH::BandName(13.99f), "ALPHA");
    EXPECT_STREQ(GRAPH::BandName(59.0f), "GAMMA");
    EXPECT_STREQ(GRAPH::BandName(199.0f), "LAMBDA");
    EXPECT_STREQ(GRAPH::BandName(250.0f), "");
    char line[32];
    GRAPH::FormatNoteLine(false, 440.0f, line, sizeof line);
    EXPECT_STREQ(line, "off");
    GRAPH::FormatNoteLine(true, 440.0f, line, sizeof line);
    EXPECT_STREQ(line, "440.00 Hz");

    // On screen: a note changes the display's third line and nothing else.
    InstrumentEditor editor;
    EventRunner runner(editor.Surface());
    const auto idle = Snapshot(runner.Finish(), "idle");
    editor.PlayNote(69, 100);
    EXPECT_FLOAT_EQ(editor.Plug().State().noteHz, 440.0f);
    const auto playing = Snapshot(runner.Finish(), "playing");
    ASSERT_TRUE(idle && playing);
    const Changes changes = Compare(*idle, *playing, IBounds{246, 182, 331, 197});
    EXPECT_GT(changes.inside, 20);
    EXPECT_EQ(changes.outside, 0);

    // The display is painted again only when its texts change: not while
    // nothing moves, nor for a beat within the same band (the knob alone).
    IGraphicsHeadless& surface = editor.Surface();
    const IEngineParam& beat = *editor.Plug().GetParam(ParamBeatFreq);
    editor.SetParameter(ParamBeatFreq, beat.ToNormalized(10.0));
    for (int i = 0; i < 3; ++i)
        surface.Tick();
    const int presents = surface.PresentCount();
    surface.Tick();
    EXPECT_EQ(surface.PresentCount(), presents);
    editor.SetParameter(ParamBeatFreq, beat.ToNormalized(12.0));
    surface.Tick();
    EXPECT_EQ(surface.PresentCount(), presents + 1);
    EXPECT_EQ(surface.LastPresented(),
              surface.GetControl(editor.ControlOf(ParamBeatFreq))->Bounds());
    // Into another band: the display as well, in a box of its own.
    editor.SetParameter(ParamBeatFreq, beat.ToNormalized(20.0));
    surface.Tick();
    EXPECT_EQ(surface.PresentCount(), presents + 3);
}

namespace {
int Mapped(int v, double f) {
    return static_cast<int>(std::floor(v * f + 0.5));
}

// The change of the Binaural Beat knob's value over a drag of 40 layout
// pixels up, in single-pixel steps of the window at the factor.
double KnobDragAt(double factor) {
    InstrumentEditor editor;
    IGraphicsHeadless& surface = editor.Surface();
    EXPECT_TRUE(surface.SetScaleFactor(factor));
    EventRunner runner(surface);
    const int knob = editor.ControlOf(ParamBeatFreq);
    const IBounds box = surface.ControlPixelBounds(knob);
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    EXPECT_EQ(surface.FindControlAt(x, y), knob);
    const double before = surface.GetControl(knob)->Value();
    const IMouseKeys left{1, 0, 0, 0, 0};
    surface.MouseDownAt(x, y, left);
    for (int step = 1; step <= Mapped(40, factor); ++step)
        surface.MouseDragTo(x, y - step, left);
    surface.MouseUpAt(x, y - Mapped(40, factor), left);
    return surface.GetControl(knob)->Value() - before;
}
} // namespace

TEST(InstrumentEditorTest, AtAnyScaleControlsMapEdgeByEdgeAndADragTurnsAKnobAsFar) {
    const double at1x = KnobDragAt(1.0);
    ASSERT_GT(at1x, 0.0);
    for (double factor : {1.25, 1.5, 2.0, 3.0}) {
        SCOPED_TRACE(factor);
        InstrumentEditor editor;
        IGraphics& surface = editor.Surface();
        ASSERT_TRUE(surface.SetScaleFactor(factor));
        EXPECT_EQ(surface.DrawBitmap()->width(), Mapped(368, factor));
        EXPECT_EQ(surface.DrawBitmap()->height(), Mapped(370, factor));
        for (int i = 0; i < surface.NumControls(); ++i) {
            const IBounds b = surface.GetControl(i)->Bounds();
            EXPECT_EQ(surface.ControlPixelBounds(i),
                      (IBounds{Mapped(b.left, factor), Mapped(b.top, factor),
                               Mapped(b.right, factor), Mapped(b.bottom, factor)}))
                << i;
        }
        EXPECT_EQ(KnobDragAt(factor), at1x);
    }
}

// The 2x editor averaged 2:1 against the 1x editor: the mean absolute
// difference per colour channel (0..255). Text is set anew at twice the size
// and lines and arcs are drawn at the larger radii, so the pictures differ at
// every edge, but only slightly on average. Measured 2.9 (FreeType) and 3.1
// (GDI under Wine); the 1x picture against itself shifted by one pixel
// differs by 6.5.
TEST(InstrumentEditorTest, The2xPictureAveragedDownStaysCloseTo1x) {
    InstrumentEditor small, large;
    ASSERT_TRUE(large.Surface().SetScaleFactor(2.0));
    const RAST_MemBitmap& a = EventRunner(small.Surface()).Finish();
    const RAST_MemBitmap& b = EventRunner(large.Surface()).Finish();
    ASSERT_EQ(b.width(), 2 * a.width());
    ASSERT_EQ(b.height(), 2 * a.height());
    double total = 0.0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16}) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += (RAST_RowPointer(&b, 2 * y + dy)[2 * x + dx] >> shift) & 0xFF;
                total += std::fabs(sum / 4.0 - ((RAST_RowPointer(&a, y)[x] >> shift) & 0xFF));
            }
    const double mean = total / (3.0 * a.width() * a.height());
    RecordProperty("mean_abs_difference", std::to_string(mean));
    EXPECT_LT(mean, 4.0) << mean;
}

// Every editor counts the ids of its split images from the same start and
// the cache gives the first piece under an id, so a second editor turns the
// first one's knob pointers: at 2x they are still cut from the 2x images.
TEST(InstrumentEditorTest, ASecondEditorDrawsAt2xAsTheFirst) {
    InstrumentEditor first, second;
    ASSERT_TRUE(first.Surface().SetScaleFactor(2.0));
    ASSERT_TRUE(second.Surface().SetScaleFactor(2.0));
    const RAST_MemBitmap& a = EventRunner(first.Surface()).Finish();
    const RAST_MemBitmap& b = EventRunner(second.Surface()).Finish();
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            changed += RAST_RowPointer(&a, y)[x] != RAST_RowPointer(&b, y)[x];
    EXPECT_EQ(changed, 0);
}

// Every image has twins drawn at two and three times its size, under its id
// plus 100 and plus 200, built in the way the module builds them.
TEST(InstrumentEditorTest, EveryImageHasItsTwinsForHighDensityDisplays) {
    for (int id = 100; id <= 110; ++id) {
        const std::unique_ptr<RAST_IBitmap> one(RAST_DecodePNGResource(nullptr, id));
        ASSERT_TRUE(one) << id;
        for (int scale : {2, 3}) {
            const std::unique_ptr<RAST_IBitmap> twin(
                RAST_DecodePNGResource(nullptr, id + 100 * (scale - 1)));
            ASSERT_TRUE(twin) << id << " at " << scale;
            EXPECT_EQ(twin->width(), one->width() * scale) << id;
            EXPECT_EQ(twin->height(), one->height() * scale) << id;
        }
    }
}

// An instance whose editor is never shown (a render, a host that never opens
// it) decodes no image: its layout needs only their sizes.
TEST(InstrumentEditorTest, ImagesAreDecodedOnlyWhenTheEditorFirstPaints) {
    const auto made = [](int id) {
        const auto* lazy = dynamic_cast<const RAST_LazyBitmap*>(ImageCache::Instance().Find(id));
        return !lazy || lazy->IsMade();
    };
    if (ImageCache::Instance().Find(100) && made(100))
        GTEST_SKIP() << "an earlier test in this process painted the editor";
    InstrumentEditor editor;
    // The images, and the knob bodies' turning halves cut from 101 and 102.
    for (int id : {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, -2, -3}) {
        ASSERT_NE(ImageCache::Instance().Find(id), nullptr) << id;
        EXPECT_FALSE(made(id)) << id;
    }
    EventRunner(editor.Surface()).Finish();
    EXPECT_TRUE(made(100));
    for (int id : {101, 102}) {
        const std::unique_ptr<RAST_IBitmap> whole(RAST_DecodePNGResource(nullptr, id));
        const RAST_IBitmap* half = ImageCache::Instance().Find(99 - id);
        ASSERT_TRUE(whole && half);
        ASSERT_EQ(half->width(), whole->width() / 2);
        for (int y = 0; y < half->height(); ++y)
            EXPECT_TRUE(std::equal(RAST_RowPointer(half, y),
                                   RAST_RowPointer(half, y) + half->width(),
                                   RAST_RowPointer(whole.get(), y)))
                << id << " row " << y;
    }
}
