// The desktop program: its parameter queue and player on their own, then the
// built tonewell playing into a private PulseAudio null sink, recorded from
// the sink's monitor and measured.
#include <PluginInstance.h>
#include <PluginSession.h>
#include <RenderOptions.h>
#include <SessionAutomation.h>
#include <SessionScript.h>
#include <SessionTimeline.h>
#include <StartingChanges.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <thread>

#include "ComputerKeyboard.h"
#include "LivePlayer.h"
#include "MidiInput.h"
#include "OutputSettings.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"
#include "ProgramWindow.h"
#include "SavedState.h"
#include "SessionPosition.h"
#include "StandaloneHarness.h"

// Xlib last: its macros (None, Status, ...) clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tonewell::standalone::test {
namespace {

using namespace std::chrono_literals;
using render::test::Peak;
using render::test::ZeroCrossingFrequency;

constexpr const char* kSchumann = "Binaural - 7.83 (Schumann Resonance)";

// More changes than one block's list holds (64 parameters) reach the
// plug-in over the next blocks, none lost and in order: changes of unknown
// ids, which the plug-in ignores, fill the lists around the real ones.
TEST(LivePlayer, ChangesBeyondABlocksListGoToTheNextBlocksInOrder) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    ASSERT_TRUE(instance.Start(config, error)) << error;
    ParameterChangeQueue queue(1024);
    LivePlayer player(instance, queue, {}, {});
    const auto& parameters = session.Parameters();
    const auto change = [&](const char* name, const char* value) {
        const auto& parameter = parameters.Find(name);
        return ParameterChangeQueue::Change{parameter.id,
                                            parameters.ToNormalized(parameter, value)};
    };
    Steinberg::Vst::ParamID unknown = 100000;
    const auto flood = [&] {
        for (int i = 0; i < 64; ++i)
            ASSERT_TRUE(queue.Push({unknown++, 0.5}));
    };
    const std::vector<ParameterChangeQueue::Change> wanted{
        change("Frequency", "300"), change("Binaural", "5"), change("Volume", "50"),
        change("Frequency", "400")};
    for (const auto& real : wanted) {
        flood();
        ASSERT_TRUE(queue.Push(real));
    }
    std::vector<float> left(256), right(256);
    for (int block = 0; block < 8; ++block)
        player.Render(left.data(), right.data(), 256);
    instance.Stop();
    EXPECT_EQ(player.Failures(), 0u);
    // The state holds every parameter's plain value, the last one sent.
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(instance.GetState(state, error)) << error;
    const auto plain = [&](const char* name) {
        double value = 0.0;
        std::memcpy(&value, state.data() + 8 * parameters.Find(name).id, sizeof value);
        return value;
    };
    EXPECT_DOUBLE_EQ(plain("Frequency"), 400.0);
    EXPECT_DOUBLE_EQ(plain("Binaural"), 5.0);
    EXPECT_DOUBLE_EQ(plain("Volume"), 50.0);
}

// The player without a device: the callback's work on the built module, in
// the device's buffers of 256 frames.
TEST(LivePlayer, AStopFadesOutWithinItsFadeAndThenStaysSilent) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    render::RenderOptions request;
    request.program = kSchumann;
    request.assignments.push_back({"Fade", "1"});
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    ASSERT_TRUE(instance.Start(config, error)) << error;
    instance.SetPlaying(true);
    for (const auto& change : changes.Changes())
        instance.ParameterChanges().Add(change.id, change.normalized);

    ParameterChangeQueue queue;
    LivePlayer::Settings settings;
    settings.stopFadeFrames = 2400;
    LivePlayer player(instance, queue, {}, settings);
    // Callbacks larger than the plug-in's block are split for it.
    constexpr int kBuffer = 1000;
    std::vector<float> left(kBuffer), right(kBuffer), played;
    for (int i = 0; i < 24; ++i) {
        player.Render(left.data(), right.data(), kBuffer);
        played.insert(played.end(), left.begin(), left.end());
    }
    const std::size_t stopAt = played.size();
    float steadyStep = 0.f;
    for (std::size_t i = stopAt - 4800; i < stopAt; ++i)
        steadyStep = std::max(steadyStep, std::fabs(played[i] - played[i - 1]));
    ASSERT_GT(steadyStep, 0.f);

    player.RequestStop();
    for (int i = 0; i < 5 && !player.Finished(); ++i) {
        player.Render(left.data(), right.data(), kBuffer);
        played.insert(played.end(), left.begin(), left.end());
    }
    ASSERT_TRUE(player.Finished());
    EXPECT_EQ(player.FramesPlayed(), static_cast<std::int64_t>(stopAt + 2400));
    // The fade only lowers the wave: no step larger than the steady wave's.
    for (std::size_t i = stopAt; i < stopAt + 2400; ++i)
        ASSERT_LE(std::fabs(played[i] - played[i - 1]), steadyStep * 1.01f) << "frame " << i;
    for (std::size_t i = stopAt + 2399; i < played.size(); ++i)
        ASSERT_EQ(played[i], 0.f);
    EXPECT_EQ(player.Failures(), 0u);
    instance.Stop();
}

TEST(LivePlayer, QueuedChangesAndTheTransportReachThePlugIn) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    render::RenderOptions request;
    for (const auto& [name, value] : {std::pair{"Mode", "Generator"}, std::pair{"Frequency", "200"},
                                      std::pair{"Binaural", "0"}, std::pair{"Fade", "1"}})
        request.assignments.push_back({name, value});
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    ASSERT_TRUE(instance.Start(config, error)) << error;
    for (const auto& change : changes.Changes())
        instance.ParameterChanges().Add(change.id, change.normalized);
    ParameterChangeQueue queue;
    LivePlayer player(instance, queue, {}, {});
    std::vector<float> left(48000), right(48000);
    const auto play = [&] {
        for (int offset = 0; offset < 48000; offset += 480)
            player.Render(left.data() + offset, right.data() + offset, 480);
    };
    play();
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 4800, 48000), 200.0, 0.01);

    const auto& frequency = session.Parameters().Find("Frequency");
    ASSERT_TRUE(queue.Push({frequency.id, session.Parameters().ToNormalized(frequency, "300")}));
    play();
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 4800, 48000), 300.0, 0.01);

    // A generator sounds only while the transport plays.
    player.SetTransport(false);
    play();
    EXPECT_EQ(Peak(left, 24000, 48000), 0.f);
    instance.Stop();
}

// Plays a session of `length` frames through the player in callbacks of
// 1000 frames, looped or from a frame on, as main prepares it; returns the
// left channel.
std::vector<float> PlaySession(const std::string& text,
                               const std::vector<render::ParameterAssignment>& settings, int frames,
                               std::int64_t length = 48000, bool looped = true,
                               std::int64_t from = 0) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    const auto script = render::SessionScript::Parse(text, "loop.txt");
    render::RenderOptions request;
    request.assignments = settings;
    for (const auto& event : script.Events())
        if (event.kind == render::SessionScript::Kind::Note)
            request.notes.push_back(
                {event.seconds, event.note, event.velocity, event.durationSeconds});
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());
    const std::vector<double> start = session.StartingValues(changes);
    const render::SessionTimeline timeline(
        script, session.Parameters(), session.Programs(), start,
        [&](int index) -> const std::vector<double>& { return session.ProgramValues(index); },
        60.0);
    LivePlayer::Settings loop;
    loop.totalFrames = length;
    loop.endFadeFrames = 960;
    loop.loop = looped;
    loop.startFrame = from;
    const auto& parameters = session.Parameters().Parameters();
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i].id != session.Parameters().ProgramChangeId())
            loop.restartChanges.push_back({parameters[i].id, start[i]});
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    EXPECT_TRUE(instance.Start(config, error)) << error;
    instance.SetPlaying(true);
    render::SessionAutomation automation(timeline, session.Parameters(), session.Programs(), 48000);
    render::NoteSchedule notes(request.notes, 48000);
    if (from > 0) {
        automation.SkipTo(from);
        notes.SkipTo(from);
        for (const auto& change :
             SessionPosition::ValuesAt(timeline, session.Parameters(), from, 48000))
            instance.ParameterChanges().Add(change.id, change.normalized);
    } else {
        for (const auto& change : changes.Changes())
            instance.ParameterChanges().Add(change.id, change.normalized);
    }
    ParameterChangeQueue queue;
    LivePlayer player(instance, queue, std::move(automation), loop);
    player.SetSessionNotes(std::move(notes));
    std::vector<float> left(frames), right(frames);
    for (int offset = 0; offset + 1000 <= frames; offset += 1000)
        player.Render(left.data() + offset, right.data() + offset, 1000);
    EXPECT_EQ(player.Finished(), !looped);
    instance.Stop();
    return left;
}

TEST(LivePlayer, ALoopedSessionStartsEachRoundFromItsStartingValues) {
    const auto left =
        PlaySession("0 set Mode=Generator Binaural=0 Fade=1\n0.5 set Frequency=300\n1 end\n",
                    {{"Frequency", "200"}}, 120000);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 4800, 24000), 200.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 28800, 48000 - 960), 300.0, 0.01);
    // The second round: back to 200 Hz, then 300 Hz again.
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 48000 + 4800, 72000), 200.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 76800, 96000 - 960), 300.0, 0.01);
    // Faded out and in again around the restart: no click.
    EXPECT_LT(Peak(left, 48000 - 20, 48000 + 20), 0.01f * Peak(left, 24000, 46000));
}

TEST(LivePlayer, ASessionsNotesPlayOnTheirFramesInEveryRound) {
    // A note held past the end is released at the restart.
    const auto left = PlaySession(
        "0 set Attack=0 Release=10\n0.25 note 69 100 0.25\n0.75 note 72 100 2\n1 end\n", {}, 96000);
    for (const int round : {0, 48000}) {
        EXPECT_EQ(Peak(left, round + 1000, round + 12000), 0.f) << "round at " << round;
        EXPECT_GT(Peak(left, round + 12000, round + 24000), 0.01f) << "round at " << round;
        EXPECT_EQ(Peak(left, round + 26000, round + 36000), 0.f) << "round at " << round;
        EXPECT_GT(Peak(left, round + 36000, round + 46000), 0.01f) << "round at " << round;
    }
}

TEST(LivePlayer, PlayingFromTheMiddleOfASessionStartsWhereItStands) {
    // From 1.0 s: Frequency is on its slide from 300 to 400 Hz, at 350 Hz,
    // and the later setting still comes on its frame.
    const auto left =
        PlaySession("0 set Mode=Generator Binaural=0 Fade=1 Frequency=200\n0.5 set Frequency=300\n"
                    "1.5 slide Frequency=400\n1.75 set Frequency=150\n2 end\n",
                    {}, 48000, 96000, false, 48000);
    // 1.1 to 1.3 s: the line's middle there is 370 Hz.
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 4800, 14400), 370.0, 0.2);
    EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 38400, 46000), 150.0, 0.01);
    // Faded in: no click at the start.
    EXPECT_LT(Peak(left, 0, 10), 0.01f * Peak(left, 4800, 14400));
}

TEST(SavedState, APresetPlaysAndTheSavedStateComesBackWhole) {
    const std::string preset =
        std::string(TONEWELL_PRESETS_DIR) + "/Binaural - 7.83 (Schumann Resonance).vstpreset";
    ScratchFolder folder;
    const std::string saved = folder.Path("config/tonewell/last.vstpreset").string();
    std::vector<std::uint8_t> before;
    {
        render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
        auto& instance = session.Instance();
        SavedState::LoadPreset(instance, preset);
        hostkit::ProcessConfig config;
        config.maxSamplesPerBlock = 256;
        std::string error;
        ASSERT_TRUE(instance.Start(config, error)) << error;
        ParameterChangeQueue queue;
        LivePlayer player(instance, queue, {}, {});
        std::vector<float> left(96000), right(96000);
        for (int offset = 0; offset < 96000; offset += 256)
            player.Render(left.data() + offset, right.data() + offset, 256);
        instance.Stop();
        EXPECT_NEAR(ZeroCrossingFrequency(left, 48000, 60000, 96000), 196.085, 0.01);
        SavedState::Save(instance, saved);
        ASSERT_TRUE(instance.GetState(before, error)) << error;
    }
    render::PluginSession fresh(TONEWELL_MODULE_PATH, "tonewell");
    SavedState::LoadPreset(fresh.Instance(), saved);
    std::vector<std::uint8_t> after;
    std::string error;
    ASSERT_TRUE(fresh.Instance().GetState(after, error)) << error;
    EXPECT_EQ(after, before);

    std::ofstream(folder.Path("broken.vstpreset")) << "VST3 but nothing after it";
    EXPECT_THROW(SavedState::LoadPreset(fresh.Instance(), folder.Path("broken.vstpreset")),
                 PlayError);
    EXPECT_THROW(SavedState::LoadPreset(fresh.Instance(), folder.Path("none.vstpreset")),
                 PlayError);
}

TEST(OutputSettings, ComeBackAsSavedAndDamageGivesTheDefaults) {
    ScratchFolder folder;
    const std::string path = folder.Path("deep/output.txt").string();
    EXPECT_FALSE(OutputSettings::Load(path).has_value());
    OutputSettings::Save({"USB Audio\nrate=8000", 96000, 1024}, path);
    auto loaded = OutputSettings::Load(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->device, "USB Audio rate=8000");
    EXPECT_EQ(loaded->rate, 96000u);
    EXPECT_EQ(loaded->buffer, 1024u);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"deep"});

    std::ofstream(path) << "rate=99999999999\nbuffer=-5\n\xff\xfe garbage\nbuffer\n";
    loaded = OutputSettings::Load(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->device, "");
    EXPECT_EQ(loaded->rate, 48000u);
    EXPECT_EQ(loaded->buffer, 256u);

    // The bar's selections, the first device standing for the default.
    ProgramWindow::OutputMenu menu{
        {"Default output", "USB Audio"}, 0, {44100, 48000}, 1, {256, 512}, 0};
    const auto choice = ProgramWindow::ChoiceOf(menu, 1, 0, 7);
    EXPECT_EQ(choice.device, "USB Audio");
    EXPECT_EQ(choice.rate, 44100u);
    EXPECT_EQ(choice.buffer, 256u);
    EXPECT_EQ(ProgramWindow::ChoiceOf(menu, 0, -1, 1).device, "");
}

TEST(NoteInput, KeysAndMidiMessagesBecomeNotes) {
    ComputerKeyboard keys;
    auto note = keys.Press(U'a');
    ASSERT_TRUE(note);
    EXPECT_EQ(note->pitch, 60);
    EXPECT_TRUE(note->on);
    EXPECT_FALSE(keys.Press(U'a')) << "auto-repeat plays no second note";
    EXPECT_FALSE(keys.Press(U'x'));
    // The release ends the note the key started, not one an octave up.
    note = keys.Release(U'a');
    ASSERT_TRUE(note);
    EXPECT_EQ(note->pitch, 60);
    EXPECT_FALSE(note->on);
    EXPECT_EQ(keys.Press(U'a')->pitch, 72);
    EXPECT_FALSE(keys.Press(U'q'));
    EXPECT_FALSE(keys.Release(U'q'));

    NoteQueue::Note midi;
    const unsigned char on[] = {0x93, 64, 127}, silentOn[] = {0x90, 64, 0}, off[] = {0x85, 64, 10},
                        control[] = {0xB0, 7, 100};
    ASSERT_TRUE(MidiInput::ToNote(on, 3, midi));
    EXPECT_TRUE(midi.on && midi.pitch == 64 && midi.velocity == 1.f);
    ASSERT_TRUE(MidiInput::ToNote(silentOn, 3, midi));
    EXPECT_FALSE(midi.on);
    ASSERT_TRUE(MidiInput::ToNote(off, 3, midi));
    EXPECT_FALSE(midi.on);
    EXPECT_FALSE(MidiInput::ToNote(control, 3, midi));
    EXPECT_FALSE(MidiInput::ToNote(on, 2, midi));
}

TEST(LivePlayer, QueuedNotesPlayAndEnd) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    render::RenderOptions request;
    for (const auto& [name, value] :
         {std::pair{"Mode", "Synthesizer"}, std::pair{"Attack", "0"}, std::pair{"Release", "10"}})
        request.assignments.push_back({name, value});
    const render::StartingChanges changes(request, session.Parameters(), session.Programs());
    auto& instance = session.Instance();
    hostkit::ProcessConfig config;
    config.maxSamplesPerBlock = 256;
    std::string error;
    ASSERT_TRUE(instance.Start(config, error)) << error;
    for (const auto& change : changes.Changes())
        instance.ParameterChanges().Add(change.id, change.normalized);
    ParameterChangeQueue queue;
    NoteQueue keys, midi;
    LivePlayer player(instance, queue, {}, {});
    ASSERT_TRUE(player.AttachNotes(keys));
    ASSERT_TRUE(player.AttachNotes(midi));
    EXPECT_FALSE(player.AttachNotes(keys));
    std::vector<float> left(24000), right(24000);
    const auto play = [&] {
        for (int offset = 0; offset < 24000; offset += 480)
            player.Render(left.data() + offset, right.data() + offset, 480);
    };
    play();
    EXPECT_EQ(Peak(left, 0, 24000), 0.f);
    ASSERT_TRUE(midi.Push({69, 1.f, true}));
    play();
    EXPECT_GT(Peak(left, 4800, 24000), 0.01f);
    ASSERT_TRUE(midi.Push({69, 0.f, false}));
    play();
    EXPECT_EQ(Peak(left, 12000, 24000), 0.f);
    instance.Stop();
}

// A viewable child of the root window named `name`, or 0.
Window FindTopLevel(Display* display, const char* name) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0) found = children[i];
            XFree(title);
        }
    }
    if (children) XFree(children);
    return found;
}

// The deepest window below `window`: in the program's window, the editor's
// own, inside the X window of the area that holds it.
Window Deepest(Display* display, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return window;
    Window deepest = count > 0 ? Deepest(display, children[count - 1]) : window;
    if (children) XFree(children);
    return deepest;
}

// What the program's window shows, waited for (bounded) until its editor has
// drawn: the editor's window, its size in pixels, and the colours seen in it.
struct EditorShown {
    Window toplevel = 0;
    int width = 0;
    int height = 0;
    std::size_t colours = 0;
};

EditorShown WaitForEditor(Display* display) {
    EditorShown shown;
    for (int attempt = 0; attempt < 150 && shown.colours < 50; ++attempt) {
        std::this_thread::sleep_for(100ms);
        shown.toplevel = FindTopLevel(display, "Tonewell");
        if (!shown.toplevel) continue;
        const Window editor = Deepest(display, shown.toplevel);
        XWindowAttributes attributes{};
        if (editor == shown.toplevel || !XGetWindowAttributes(display, editor, &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        shown.width = attributes.width;
        shown.height = attributes.height;
        // From the screen, clipped to it: a window at twice the size may be
        // taller than the screen.
        int x = 0, y = 0;
        Window child = 0;
        const Window root = DefaultRootWindow(display);
        XTranslateCoordinates(display, editor, root, 0, 0, &x, &y, &child);
        const int right = std::min(x + attributes.width, DisplayWidth(display, 0));
        const int bottom = std::min(y + attributes.height, DisplayHeight(display, 0));
        x = std::max(x, 0);
        y = std::max(y, 0);
        if (right <= x || bottom <= y) continue;
        XImage* image = XGetImage(display, root, x, y, right - x, bottom - y, AllPlanes, ZPixmap);
        if (!image) continue;
        std::set<unsigned long> seen;
        for (int row = 0; row < image->height; row += 2)
            for (int column = 0; column < image->width; column += 2)
                seen.insert(XGetPixel(image, column, row));
        XDestroyImage(image);
        shown.colours = seen.size();
    }
    return shown;
}

// The built program against a private PulseAudio daemon; a daemon that does
// not come up fails the tests rather than skipping them.
class LiveOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PrivateSoundServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override { ASSERT_TRUE(server_->Error().empty()) << server_->Error(); }

    const std::vector<std::string>& Env() const { return server_->Environment(); }

    // Records the null sink's monitor while tonewell plays `seconds` with
    // `arguments`; returns both channels with the playing's first frame at
    // index 0. The sink may drop the first milliseconds of a new stream, but
    // the end arrives whole (the program drains its stream), so the
    // recording is placed by the last frame of the end fade.
    std::vector<std::vector<float>> PlayAndRecord(const std::vector<std::string>& arguments,
                                                  double seconds) {
        const auto recording = StartRecording();
        auto& recorder = *recording;
        const auto result = RunTonewell(arguments, Env(), 30s);
        // What the sink still held when the program ended reaches the recording.
        WaitForGrowth(recorder, recorder.OutputSize(), kBytesPerSecond / 2);
        recorder.Signal(SIGINT);
        const auto recorded = recorder.Wait(5s);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("underruns: 0\n"), std::string::npos) << result.out;
        std::vector<float> samples(recorded.out.size() / sizeof(float));
        std::memcpy(samples.data(), recorded.out.data(), samples.size() * sizeof(float));
        const auto frames = static_cast<std::ptrdiff_t>(samples.size() / 2);
        std::ptrdiff_t last = frames - 1;
        while (last >= 0 && samples[2 * last] == 0.f && samples[2 * last + 1] == 0.f)
            --last;
        // The fade's gain reaches 0 on the final frame, so the last sounding
        // one is the frame before it.
        const std::ptrdiff_t first = last + 2 - std::llround(seconds * 48000);
        std::vector<std::vector<float>> channels(2);
        if (last < 0) return channels;
        for (std::ptrdiff_t frame = first; frame <= last; ++frame) {
            channels[0].push_back(frame >= 0 ? samples[2 * frame] : 0.f);
            channels[1].push_back(frame >= 0 ? samples[2 * frame + 1] : 0.f);
        }
        return channels;
    }

    // parec on the sink's monitor, 48 kHz float stereo, once it records.
    std::unique_ptr<ChildProcess> StartRecording() const {
        auto recorder = std::make_unique<ChildProcess>(
            std::vector<std::string>{
                "parec", std::string("--device=") + PrivateSoundServer::kSink + ".monitor",
                "--format=float32le", "--rate=48000", "--channels=2", "--raw", "--latency-msec=20"},
            Env());
        EXPECT_TRUE(recorder->Started()) << "cannot start parec (pulseaudio-utils)";
        // The monitor delivers silence while the sink is idle: once it does,
        // the recording runs and nothing played can be missed.
        WaitForGrowth(*recorder, 0, kBytesPerSecond / 10);
        return recorder;
    }

    static constexpr std::uintmax_t kBytesPerSecond = 48000 * 2 * sizeof(float);

    static void WaitForGrowth(const ChildProcess& recorder, std::uintmax_t from,
                              std::uintmax_t bytes) {
        for (int i = 0; i < 500 && recorder.OutputSize() < from + bytes; ++i)
            std::this_thread::sleep_for(20ms);
        ASSERT_GE(recorder.OutputSize(), from + bytes) << "parec records nothing";
    }

    static std::unique_ptr<PrivateSoundServer> server_;
    ScratchFolder folder;
};

std::unique_ptr<PrivateSoundServer> LiveOutput::server_;

TEST_F(LiveOutput, ABinauralProgramSoundsInBothEarsAtItsFrequencies) {
    const auto channels = PlayAndRecord(
        {"--no-window", "--program", kSchumann, "--seconds", "5", "--buffer", "256"}, 5.0);
    ASSERT_EQ(channels.size(), 2u);
    ASSERT_GE(channels[0].size(), 5u * 48000 - 1);
    // Sound from (nearly) the first frame on: the recording has no gap.
    const auto sounding = std::find_if(channels[0].begin(), channels[0].end(),
                                       [](float sample) { return sample != 0.f; });
    EXPECT_LT(sounding - channels[0].begin(), 2048);
    // The program fades in over its first second; seconds 1.5 to 4.5 are steady.
    const double left = ZeroCrossingFrequency(channels[0], 48000, 72000, 216000);
    const double right = ZeroCrossingFrequency(channels[1], 48000, 72000, 216000);
    EXPECT_NEAR(left, 196.085, 0.01);
    EXPECT_NEAR(right, 203.915, 0.01);
    std::printf("played live: left %.4f Hz, right %.4f Hz\n", left, right);
    // The end fades out rather than stopping mid-wave.
    const float steady = Peak(channels[0], 216000, 218400);
    EXPECT_LT(Peak(channels[0], channels[0].size() - 100, channels[0].size()), steady * 0.05f);
}

TEST_F(LiveOutput, ASessionSlideFollowsItsLineLive) {
    const auto session = folder.Path("slide.txt");
    std::ofstream(session) << "0 set Mode=Generator Frequency=200 Binaural=10 Fade=1 "
                              "\"Center Freq\"=No\n"
                              "1 set Binaural=10\n"
                              "5 slide Binaural=4\n"
                              "5.5 end\n";
    const auto channels = PlayAndRecord({"--no-window", "--session", session.string()}, 5.5);
    ASSERT_EQ(channels.size(), 2u);
    ASSERT_GE(channels[0].size(), 5u * 48000);
    double worst = 0.0;
    for (int half = 2; half < 10; ++half) {
        const auto begin = static_cast<std::size_t>(half * 24000);
        const auto end = begin + 24000;
        const double beat = ZeroCrossingFrequency(channels[1], 48000, begin, end) -
                            ZeroCrossingFrequency(channels[0], 48000, begin, end);
        const double line = 10.0 - 6.0 * ((half + 0.5) / 2.0 - 1.0) / 4.0;
        EXPECT_NEAR(beat, line, 0.01) << "from " << half / 2.0 << " s";
        worst = std::max(worst, std::fabs(beat - line));
    }
    std::printf("worst beat error over the live slide: %.6f Hz\n", worst);
}

TEST_F(LiveOutput, AnInterruptStopsPlayingAndExitsCleanly) {
    ChildProcess player({TONEWELL_PATH, "--no-window", "--program", kSchumann}, Env());
    ASSERT_TRUE(player.Started());
    std::this_thread::sleep_for(1500ms);
    player.Signal(SIGINT);
    const auto result = player.Wait(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("played "), std::string::npos) << result.out;
}

// The sleep timer ends playing at its time: full level until the fade
// (the second half of a short timer), half way down in its middle, silent at
// the end, and the program exits by itself.
TEST_F(LiveOutput, TheSleepTimerFadesOutAndStopsAtItsTime) {
    const auto channels =
        PlayAndRecord({"--no-window", "--program", kSchumann, "--sleep-seconds", "4"}, 4.0);
    ASSERT_EQ(channels.size(), 2u);
    ASSERT_GE(channels[0].size(), 4u * 48000 - 1);
    const auto& left = channels[0];
    const float steady = Peak(left, 72000, 96000);
    ASSERT_GT(steady, 0.1f);
    EXPECT_NEAR(Peak(left, 143000, 145000), steady * 0.5f, steady * 0.08f);
    EXPECT_LT(Peak(left, 189600, left.size()), steady * 0.05f);
}

// A session that ends leaves its window open, stopped at the end, until
// the listener closes it.
TEST_F(LiveOutput, AtASessionsEndTheWindowStays) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    const char* displayName = std::getenv("DISPLAY");
    // Tonewell's own format and SBaGen's, one second each.
    const auto own = folder.Path("short.txt");
    std::ofstream(own) << "0 set Frequency=200\n1 end\n";
    const auto sbagen = folder.Path("short.sbg");
    std::ofstream(sbagen) << "-E\nalpha: 200+10/20\nNOW alpha\nNOW+00:00:01 alpha\n";
    for (const auto& session : {own, sbagen}) {
        ChildProcess player({TONEWELL_PATH, "--session", session.string()}, Env());
        ASSERT_TRUE(player.Started());
        // Long past the end and its fade, the window is still there.
        std::this_thread::sleep_for(4s);
        Display* display = XOpenDisplay(displayName);
        ASSERT_NE(display, nullptr) << "cannot open display " << displayName;
        const Window window = FindTopLevel(display, "Tonewell");
        XCloseDisplay(display);
        player.Signal(SIGTERM);
        const auto result = player.Wait(10s);
        EXPECT_NE(window, 0u) << session << ": the window closed at the end: " << result.err;
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("played 00:00:01.000"), std::string::npos) << result.out;
    }
}

// Started from a desktop's menu (a launcher's variable, no terminal), a
// failure shows in a dialog as well as on stderr.
TEST_F(LiveOutput, AFailureStartedFromAMenuShowsInADialog) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(displayName);
    ASSERT_NE(display, nullptr) << "cannot open display " << displayName;
    auto env = Env();
    env.push_back("GIO_LAUNCHED_DESKTOP_FILE=/usr/share/applications/tonewell.desktop");
    ChildProcess player({TONEWELL_PATH, "--no-window", "--rate", "5"}, env);
    ASSERT_TRUE(player.Started());
    Window dialog = 0;
    for (int attempt = 0; attempt < 100 && !dialog; ++attempt) {
        XWindowAttributes attributes{};
        dialog = FindTopLevel(display, "Tonewell");
        if (dialog && !(XGetWindowAttributes(display, dialog, &attributes) &&
                        attributes.map_state == IsViewable))
            dialog = 0;
        if (!dialog) std::this_thread::sleep_for(100ms);
    }
    XCloseDisplay(display);
    player.Signal(SIGTERM);
    const auto result = player.Wait(10s);
    EXPECT_NE(dialog, 0u) << "no dialog; stderr: " << result.err;
    EXPECT_NE(result.err.find("--rate must be"), std::string::npos) << result.err;
}

// The window on the test command's X server: a top-level "Tonewell" whose
// editor area shows the instrument's drawing, while the sound plays; a
// second one is refused.
TEST_F(LiveOutput, TheWindowShowsTheEditorWhilePlaying) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(displayName);
    ASSERT_NE(display, nullptr) << "cannot open display " << displayName;
    ChildProcess player({TONEWELL_PATH, "--program", kSchumann}, Env());
    ASSERT_TRUE(player.Started());

    const auto shown = WaitForEditor(display);
    XCloseDisplay(display);
    EXPECT_NE(shown.toplevel, 0u) << "no window named Tonewell";
    EXPECT_EQ(shown.width, 368);
    EXPECT_EQ(shown.height, 370);
    EXPECT_GE(shown.colours, 50u) << "the editor shows " << shown.colours << " colours";

    // A second window would save over the first one's state: it refuses.
    const auto second = RunTonewell({"--program", kSchumann}, Env());
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("another Tonewell window is open"), std::string::npos) << second.err;

    player.Signal(SIGTERM);
    const auto result = player.Wait(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("underruns: 0\n"), std::string::npos) << result.out;

    // The next start, from the saved state, shows the program it came
    // from, and keeps it for the one after.
    const auto restarted = RunTonewell({"--seconds", "1"}, Env());
    EXPECT_EQ(restarted.exitCode, 0) << restarted.err;
    std::string home;
    for (const auto& entry : Env())
        if (entry.rfind("HOME=", 0) == 0) home = entry.substr(5);
    std::ifstream kept(home + "/.config/tonewell/bar.txt");
    std::string line;
    std::getline(kept, line);
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    EXPECT_EQ(line, "program=" + std::to_string(session.Programs().Resolve(kSchumann)));
}

// On a desktop at twice the scale (GDK_SCALE=2) the editor is drawn at
// twice its size in pixels, as GTK draws the bar.
TEST_F(LiveOutput, AtGtksScaleOfTwoTheEditorIsTwiceItsSize) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(displayName);
    ASSERT_NE(display, nullptr) << "cannot open display " << displayName;
    auto env = Env();
    env.push_back("GDK_SCALE=2");
    ChildProcess player({TONEWELL_PATH, "--program", kSchumann}, env);
    ASSERT_TRUE(player.Started());
    const auto shown = WaitForEditor(display);
    XCloseDisplay(display);
    EXPECT_EQ(shown.width, 736);
    EXPECT_EQ(shown.height, 740);
    EXPECT_GE(shown.colours, 50u) << "the editor shows " << shown.colours << " colours";
    player.Signal(SIGTERM);
    const auto result = player.Wait(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// The window through real input (XTEST): a click on play/stop silences the
// generator and a second one brings it back; a program found in the search
// field is heard at its own frequencies.
TEST_F(LiveOutput, ThePlayButtonAndTheProgramListChangeWhatIsHeard) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(displayName);
    ASSERT_NE(display, nullptr) << "cannot open display " << displayName;
    int event = 0, error = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor)) << "no XTEST";
    const auto recorder = StartRecording();
    // Started in the scratch folder, where the session opened below is.
    const auto startedIn = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path("."));
    ChildProcess player({TONEWELL_PATH, "--program", kSchumann}, Env());
    std::filesystem::current_path(startedIn);
    ASSERT_TRUE(player.Started());

    using Sound = std::vector<std::vector<float>>;
    // The next `seconds` heard, both channels.
    const auto hear = [&](double seconds) {
        const std::uintmax_t from = recorder->OutputSize() / 8 * 8;
        const auto bytes = static_cast<std::uintmax_t>(seconds * 48000) * 8;
        WaitForGrowth(*recorder, from, bytes);
        const std::string raw = recorder->OutputFrom(from).substr(0, bytes);
        Sound sound(2, std::vector<float>(raw.size() / 8));
        for (std::size_t i = 0; i < raw.size() / 8; ++i) {
            std::memcpy(&sound[0][i], raw.data() + 8 * i, 4);
            std::memcpy(&sound[1][i], raw.data() + 8 * i + 4, 4);
        }
        return sound;
    };
    // Listens half a second at a time, ten seconds at most, until `heard`.
    const auto until = [&](const std::function<bool(const Sound&)>& heard) {
        for (int attempt = 0; attempt < 20; ++attempt)
            if (heard(hear(0.5))) return true;
        return false;
    };
    const auto loudest = [](const Sound& sound) {
        return std::max(Peak(sound[0], 0, sound[0].size()), Peak(sound[1], 0, sound[1].size()));
    };
    const auto silent = [&](const Sound& sound) { return loudest(sound) < 1e-4f; };
    const auto tones = [](double left, double right) {
        return [left, right](const Sound& sound) {
            const auto size = sound[0].size();
            return std::fabs(ZeroCrossingFrequency(sound[0], 48000, 0, size) - left) < 0.05 &&
                   std::fabs(ZeroCrossingFrequency(sound[1], 48000, 0, size) - right) < 0.05;
        };
    };

    Window window = 0;
    XWindowAttributes attributes{};
    for (int attempt = 0; attempt < 150; ++attempt) {
        window = FindTopLevel(display, "Tonewell");
        if (window && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable)
            break;
        window = 0;
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_NE(window, 0u) << "no window named Tonewell";
    int left = 0, top = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &left, &top, &child);
    ASSERT_TRUE(until(tones(196.085, 203.915))) << "the program is not heard";

    // Play/stop leads the bar, inside its 6-pixel border.
    const auto clickTransport = [&] {
        XTestFakeMotionEvent(display, -1, left + 20, top + 16, CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
    };
    clickTransport();
    EXPECT_TRUE(until(silent)) << "still heard after stop";
    clickTransport();
    EXPECT_TRUE(until(tones(196.085, 203.915))) << "not heard again after play";

    // The clicked button has the focus; Tab leads past the program menu to
    // the search field, where a part of one program's name and Return
    // choose it: 200 Hz with a 14.3 Hz beat.
    const auto type = [&](std::initializer_list<KeySym> symbols) {
        for (const KeySym symbol : symbols) {
            const KeyCode code = XKeysymToKeycode(display, symbol);
            XTestFakeKeyEvent(display, code, True, CurrentTime);
            XTestFakeKeyEvent(display, code, False, CurrentTime);
        }
        XFlush(display);
    };
    type({XK_Tab, XK_Tab, XK_1, XK_4, XK_period, XK_3, XK_Return});
    EXPECT_TRUE(until(tones(192.85, 207.15))) << "the chosen program is not heard";

    // A group's name finds several: they open as a menu, whose first entry
    // (the 4 Hz beat, the first Theta program) plays.
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    XTestFakeKeyEvent(display, control, True, CurrentTime);
    type({XK_a});
    XTestFakeKeyEvent(display, control, False, CurrentTime);
    type({XK_t, XK_h, XK_e, XK_t, XK_a, XK_Return});
    // The menu takes the keys once it is up.
    std::this_thread::sleep_for(1s);
    type({XK_Down, XK_Return});
    EXPECT_TRUE(until(tones(198.0, 202.0))) << "the program found by its group is not heard";

    // The program menu's first entry opens a session: an SBaGen file, its
    // path typed into the file chooser, plays in a window of its own.
    const auto sbagen = folder.Path("opened.sbg");
    std::ofstream(sbagen) << "alpha: 300+10/30\nNOW alpha\n";
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    type({XK_Tab});
    XTestFakeKeyEvent(display, shift, False, CurrentTime);
    type({XK_Return});
    // Opened from the keyboard, the menu has its first entry selected.
    std::this_thread::sleep_for(1s);
    type({XK_Return});
    std::this_thread::sleep_for(2s);
    // The chooser starts in the program's folder; the name typed there (one
    // key at a time, letting its completion keep up) and Return open it.
    for (const KeySym key : {XK_o, XK_p, XK_e, XK_n, XK_e, XK_d, XK_period, XK_s, XK_b, XK_g}) {
        type({key});
        std::this_thread::sleep_for(100ms);
    }
    std::this_thread::sleep_for(500ms);
    type({XK_Return});
    EXPECT_TRUE(until(tones(305.0, 295.0))) << "the opened session is not heard";

    // While it plays, a program found in the search field plays instead.
    for (int attempt = 0; attempt < 50; ++attempt) {
        window = FindTopLevel(display, "Tonewell");
        if (window && XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable)
            break;
        std::this_thread::sleep_for(100ms);
    }
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &left, &top, &child);
    XTestFakeMotionEvent(display, -1, left + attributes.width - 30, top + 16, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    type({XK_1, XK_4, XK_period, XK_3, XK_Return});
    EXPECT_TRUE(until(tones(192.85, 207.15)))
        << "the program chosen after the session is not heard";
    XCloseDisplay(display);

    player.Signal(SIGTERM);
    const auto result = player.Wait(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(LiveOutput, ASoundServerThatGoesAwayEndsPlayingWithAMessage) {
    auto server = std::make_unique<PrivateSoundServer>();
    ASSERT_TRUE(server->Error().empty()) << server->Error();
    const auto env = server->Environment();
    ChildProcess player({TONEWELL_PATH, "--no-window", "--program", kSchumann}, env);
    ASSERT_TRUE(player.Started());
    // Bounded wait until the program's stream plays on the server.
    bool playing = false;
    for (int attempt = 0; attempt < 100 && !playing; ++attempt) {
        ChildProcess inputs({"pactl", "list", "short", "sink-inputs"}, env);
        playing = !inputs.Wait(5s).out.empty();
        if (!playing) std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(playing) << "tonewell never played on the server";
    server.reset();
    const auto result = player.Wait(10s);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("the audio device went away"), std::string::npos) << result.err;
}

// Amplitude of the `frequency` component of samples [begin, end).
double ToneLevel(const std::vector<float>& samples, double frequency, std::size_t begin,
                 std::size_t end) {
    double re = 0.0, im = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double phase = 2.0 * M_PI * frequency * static_cast<double>(i) / 48000.0;
        re += samples[i] * std::cos(phase);
        im += samples[i] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(end - begin);
}

TEST_F(LiveOutput, AnSbagenSessionPlaysItsLayersThroughTheInstrumentsVoices) {
    // A binaural voice (205 Hz left, 195 Hz right) under an isochronic one
    // (1000 Hz pulsed at 4 Hz) over pink noise; the second tone-set follows
    // after a cross-fade that --seconds cuts short of.
    const auto file = folder.Path("layers.sbg");
    std::ofstream(file) << "-F 1000\n## layers\nfirst: 200+10/30 1000@4/20 pink/5\n"
                           "second: 300+10/30\nNOW first\nNOW+00:01:00 second\n";
    const auto channels = PlayAndRecord(
        {"--no-window", "--session", file.string(), "--seconds", "3", "--buffer", "256"}, 3.0);
    ASSERT_GE(channels[0].size(), 96000u);
    const auto& left = channels[0];
    const auto& right = channels[1];
    // Each ear its own tone, the other's well below it.
    EXPECT_NEAR(ToneLevel(left, 205.0, 48000, 96000), 0.3, 0.05);
    EXPECT_NEAR(ToneLevel(right, 195.0, 48000, 96000), 0.3, 0.05);
    EXPECT_LT(ToneLevel(left, 195.0, 48000, 96000), 0.01);
    EXPECT_LT(ToneLevel(right, 205.0, 48000, 96000), 0.01);
    // The pulses: 1000 Hz in both ears, loud on the beat and silent between.
    double loudest = 0.0, quietest = 1.0;
    for (std::size_t at = 48000; at + 1200 <= 96000; at += 1200) {
        const double level = ToneLevel(left, 1000.0, at, at + 1200);
        loudest = std::max(loudest, level);
        quietest = std::min(quietest, level);
    }
    EXPECT_GT(loudest, 0.1);
    EXPECT_LT(quietest, 0.02);
    EXPECT_GT(ToneLevel(right, 1000.0, 48000, 96000), 0.03);
}

TEST_F(LiveOutput, AMalformedSbagenSessionStopsWithItsPlaceOnOneLine) {
    const auto file = folder.Path("bad.sbg");
    std::ofstream(file) << "## bad\nalpha: 200+10/abc\nNOW alpha\n";
    const auto result = RunTonewell({"--no-window", "--session", file.string()}, Env(), 30s);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("tonewell: " + file.string() + ":2:", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_TRUE(result.out.empty()) << result.out;
}

TEST_F(LiveOutput, BadInputsAndMissingDevicesStopWithAMessage) {
    const auto broken = folder.Path("broken.txt");
    std::ofstream(broken) << "0 set Frequency=200\nsoon slide Frequency=300\n";
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> env;
        std::string message;
    } cases[] = {
        {{"--program", "No Such Program", "--seconds", "1"}, {}, "program"},
        {{"--session", broken.string()}, {}, "broken.txt:2"},
        {{"--module", folder.Path("none.so").string(), "--seconds", "1"}, {}, "none.so"},
        {{"--program", kSchumann, "--seconds", "1", "--rate", "12345"},
         {},
         "does not play at 12345 Hz"},
        {{"--program", kSchumann, "--seconds", "1", "--device", "99"},
         {},
         "no stereo output device 99"},
        // No sound server and no sound card: ALSA finds nothing to play on.
        {{"--program", kSchumann, "--seconds", "1"},
         {"PULSE_SERVER=unix:" + folder.Path("nothing").string(), "ALSA_CONFIG_PATH=/dev/null"},
         "no audio output device"},
    };
    for (const auto& entry : cases) {
        std::vector<std::string> arguments{"--no-window"};
        arguments.insert(arguments.end(), entry.arguments.begin(), entry.arguments.end());
        // The case's variables come first, so they win over the server's.
        std::vector<std::string> env = entry.env;
        env.insert(env.end(), Env().begin(), Env().end());
        const auto result = RunTonewell(arguments, env, 30s);
        EXPECT_NE(result.exitCode, 0) << entry.message;
        EXPECT_NE(result.err.find(entry.message), std::string::npos)
            << "expected \"" << entry.message << "\" in: " << result.err;
    }
}

} // namespace
} // namespace tonewell::standalone::test
