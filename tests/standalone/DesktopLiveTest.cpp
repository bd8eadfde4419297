// The built tonewell in situations a listener's machine brings: ALSA without
// a sound server and a process held up long enough to run the device dry.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

#include "StandaloneHarness.h"

// Xlib last: its macros (None, Status, ...) clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tonewell::standalone::test {
namespace {

using namespace std::chrono_literals;
using render::test::ZeroCrossingFrequency;

constexpr const char* kSchumann = "Binaural - 7.83 (Schumann Resonance)";
constexpr int kRate = 48000;

// A recording of the private server's sink: both channels as floats.
struct Recording {
    std::vector<float> left, right;

    // Frames where either ear sounds.
    std::size_t SoundingFrames() const {
        std::size_t count = 0;
        for (std::size_t i = 0; i < left.size(); ++i)
            count += left[i] != 0.f || right[i] != 0.f;
        return count;
    }
    // The longest run [begin, end) without a millisecond of silence in both
    // ears, leaving out the first `settle` frames of the sound (the start's glide).
    std::pair<std::size_t, std::size_t> LongestStretch(std::size_t settle) const {
        std::pair<std::size_t, std::size_t> best{0, 0};
        std::size_t begin = left.size(), silent = 0;
        for (std::size_t i = 0; i <= left.size(); ++i) {
            const bool quiet = i == left.size() || (left[i] == 0.f && right[i] == 0.f);
            if (!quiet && begin == left.size()) begin = i + settle;
            silent = quiet ? silent + 1 : 0;
            if (quiet && begin < left.size() && (silent == kRate / 1000 || i == left.size())) {
                const std::size_t end = i + 1 - silent;
                if (end > begin && end - begin > best.second - best.first) best = {begin, end};
                begin = left.size();
                settle = 0;
            }
        }
        return best;
    }
};

class DesktopLive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<PrivateSoundServer>(); }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override { ASSERT_TRUE(server_->Error().empty()) << server_->Error(); }

    static const std::vector<std::string>& Env() { return server_->Environment(); }
    static std::string ServerAddress() {
        for (const auto& variable : Env())
            if (variable.rfind("PULSE_SERVER=", 0) == 0) return variable.substr(13);
        return {};
    }

    // parec on the sink's monitor; the monitor of an idle sink gives nothing,
    // so the recording starts with the first sound.
    static std::unique_ptr<ChildProcess> StartRecording() {
        auto recorder = std::make_unique<ChildProcess>(
            std::vector<std::string>{
                "parec", std::string("--device=") + PrivateSoundServer::kSink + ".monitor",
                "--format=float32le", "--rate=48000", "--channels=2", "--raw", "--latency-msec=20"},
            Env());
        EXPECT_TRUE(recorder->Started()) << "cannot start parec (pulseaudio-utils)";
        for (int attempt = 0; attempt < 100; ++attempt) {
            ChildProcess outputs({"pactl", "list", "short", "source-outputs"}, Env());
            if (!outputs.Wait(5s).out.empty()) break;
            std::this_thread::sleep_for(50ms);
        }
        return recorder;
    }

    static Recording StopRecording(ChildProcess& recorder) {
        // What the sink still holds reaches the recording.
        std::this_thread::sleep_for(500ms);
        recorder.Signal(SIGINT);
        const std::string raw = recorder.Wait(5s).out;
        Recording recording;
        for (std::size_t at = 0; at + 8 <= raw.size(); at += 8) {
            float frame[2];
            std::memcpy(frame, raw.data() + at, sizeof frame);
            recording.left.push_back(frame[0]);
            recording.right.push_back(frame[1]);
        }
        return recording;
    }

    static std::unique_ptr<PrivateSoundServer> server_;
    ScratchFolder folder;
};

std::unique_ptr<PrivateSoundServer> DesktopLive::server_;

// Windows may go while they are looked at: their errors are not the test's.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// The viewable top-level window named "Tonewell", or 0.
Window ViewableWindow(Display* display) {
    XSetErrorHandler(&IgnoreXErrors);
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        XWindowAttributes attributes{};
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, "Tonewell") == 0 &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(title);
        }
    }
    if (children) XFree(children);
    return found;
}

// The viewable top-level window named "Tonewell" and, inside it, the
// editor's own window; waited for, at most 15 s.
struct ProgramWindowShown {
    Window toplevel = 0;
    Window editor = 0;
};

ProgramWindowShown WaitForWindow(Display* display) {
    ProgramWindowShown shown;
    for (int attempt = 0; attempt < 150 && !shown.editor; ++attempt) {
        std::this_thread::sleep_for(100ms);
        shown = {};
        shown.toplevel = ViewableWindow(display);
        Window root = 0, parent = 0;
        unsigned int count = 0;
        // The editor is the deepest of the last children.
        for (Window window = shown.toplevel; window;) {
            Window* inner = nullptr;
            if (!XQueryTree(display, window, &root, &parent, &inner, &count)) break;
            const Window last = count > 0 ? inner[count - 1] : 0;
            if (inner) XFree(inner);
            if (!last) break;
            shown.editor = window = last;
        }
    }
    return shown;
}

// ALSA without a sound server: its default device is the private server
// reached through ALSA's own PulseAudio plugin, which reports an underrun
// as ALSA does, while tonewell finds no server to talk to itself. Held up
// eight times, the program counts the underruns and plays on. (The plugin
// notices an underrun on the server only now and then: one stop is not
// enough to be sure of one.)
TEST_F(DesktopLive, AnAlsaUnderrunIsCountedAndPlayingGoesOn) {
    const auto config = folder.Path("asound.conf");
    std::ofstream(config) << "pcm.!default { type pulse server \"" << ServerAddress()
                          << "\" handle_underrun true }\n"
                          << "ctl.!default { type pulse server \"" << ServerAddress() << "\" }\n";
    std::vector<std::string> env{"PULSE_SERVER=unix:" + folder.Path("nothing").string(),
                                 "ALSA_CONFIG_PATH=" + config.string()};
    env.insert(env.end(), Env().begin(), Env().end());

    const auto recorder = StartRecording();
    ChildProcess player({TONEWELL_PATH, "--no-window", "--program", kSchumann, "--seconds", "8"},
                        env);
    ASSERT_TRUE(player.Started());
    // The plug-in's buffer and the server's hold some 300 ms between them.
    std::this_thread::sleep_for(1s);
    for (int stop = 0; stop < 8; ++stop) {
        player.Signal(SIGSTOP);
        std::this_thread::sleep_for(300ms);
        player.Signal(SIGCONT);
        std::this_thread::sleep_for(400ms);
    }
    const auto result = player.Wait(20s);
    const auto recording = StopRecording(*recorder);

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("playing through ALSA"), std::string::npos) << result.err;
    std::smatch counted;
    ASSERT_TRUE(std::regex_search(result.out, counted,
                                  std::regex("played 00:00:08.000, underruns: ([0-9]+)")))
        << result.out;
    EXPECT_GE(std::stoi(counted[1]), 1) << "no underrun counted";
    // Sound after every stop: 8 s played, little of it lost.
    EXPECT_GE(recording.SoundingFrames(), 6u * kRate);
    const auto [begin, end] = recording.LongestStretch(kRate);
    ASSERT_GE(end - begin, static_cast<std::size_t>(kRate / 2));
    EXPECT_NEAR(ZeroCrossingFrequency(recording.left, kRate, begin, end), 196.085, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(recording.right, kRate, begin, end), 203.915, 0.01);
}

// The longest step from one frame to the next in either ear over [begin, end).
float LargestStep(const Recording& recording, std::size_t begin, std::size_t end) {
    float step = 0.f;
    for (std::size_t i = begin + 1; i < std::min(end, recording.left.size()); ++i)
        step = std::max({step, std::fabs(recording.left[i] - recording.left[i - 1]),
                         std::fabs(recording.right[i] - recording.right[i - 1])});
    return step;
}

// A change of the output in the bar plays on through the new one in the
// same window, after a short fade and a short gap; the window keeps the
// state file to itself all the while, so other windows started then are
// refused and the first plays on.
TEST_F(DesktopLive, AnOutputChangeKeepsTheWindowAndTheStateAndBarelyPauses) {
    if (!WindowTestsCanRun()) GTEST_SKIP() << "no X display";
    Display* display = XOpenDisplay(std::getenv("DISPLAY"));
    ASSERT_NE(display, nullptr) << "cannot open display " << std::getenv("DISPLAY");
    std::vector<std::string> env{"XDG_CONFIG_HOME=" + folder.Path("config").string()};
    env.insert(env.end(), Env().begin(), Env().end());
    const auto recorder = StartRecording();
    ChildProcess first({TONEWELL_PATH, "--program", kSchumann, "--buffer", "256"}, env);
    ASSERT_TRUE(first.Started());
    const auto shown = WaitForWindow(display);
    ASSERT_NE(shown.editor, 0u) << "no window named Tonewell";
    // The monitor records only while a stream plays: time that passes
    // without recorded frames is the gap. Its lag behind the clock, before
    // and after the change, is sampled every few milliseconds.
    const auto lag = [&recorder, start = std::chrono::steady_clock::now()] {
        const std::chrono::duration<double> now = std::chrono::steady_clock::now() - start;
        return now.count() - static_cast<double>(recorder->OutputSize()) / (8.0 * kRate);
    };
    const auto medianLag = [&lag](std::chrono::milliseconds span) {
        std::vector<double> lags;
        for (const auto end = std::chrono::steady_clock::now() + span;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(3ms))
            lags.push_back(lag());
        std::nth_element(lags.begin(), lags.begin() + lags.size() / 2, lags.end());
        return lags[lags.size() / 2];
    };
    std::this_thread::sleep_for(1s);
    const double lagBefore = medianLag(1000ms);

    // The buffer list ends the output row, right above the editor: a click
    // opens it, and Down and Return choose the next size.
    XWindowAttributes window{};
    XGetWindowAttributes(display, shown.toplevel, &window);
    int left = 0, top = 0, editorTop = 0, unused = 0;
    Window child = 0;
    XTranslateCoordinates(display, shown.toplevel, DefaultRootWindow(display), 0, 0, &left, &top,
                          &child);
    XTranslateCoordinates(display, shown.editor, DefaultRootWindow(display), 0, 0, &unused,
                          &editorTop, &child);
    XTestFakeMotionEvent(display, -1, left + window.width - 40, editorTop - 20, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(500ms);
    for (const KeySym symbol : {XK_Down, XK_Return}) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    XFlush(display);

    // Other windows started from then on find the state taken.
    std::vector<std::unique_ptr<ChildProcess>> others;
    for (int other = 0; other < 8; ++other) {
        others.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{TONEWELL_PATH, "--program", kSchumann, "--seconds", "1"},
            env));
        std::this_thread::sleep_for(30ms);
    }
    for (auto& other : others) {
        const auto result = other->Wait(30s);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find("another Tonewell window is open"), std::string::npos)
            << result.err;
    }
    // Then the rate: Shift+Tab from the buffer list to the rate list, Up for
    // the rate below; the plug-in is prepared again for it.
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    for (const KeySym symbol : {XK_Tab, XK_Up}) {
        if (symbol == XK_Up) XTestFakeKeyEvent(display, shift, False, CurrentTime);
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    XFlush(display);
    std::this_thread::sleep_for(500ms);
    const double lagAfter = medianLag(1000ms);
    EXPECT_EQ(ViewableWindow(display), shown.toplevel) << "not the same window";
    XCloseDisplay(display);
    first.Signal(SIGTERM);
    const auto result = first.Wait(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("48000 Hz, 512 frames a buffer"), std::string::npos) << result.err;
    const auto lastOutput = result.err.rfind("playing through");
    ASSERT_NE(lastOutput, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("48000 Hz", lastOutput), std::string::npos) << result.err;

    // The gap: time not recorded, and silence recorded (should the monitor
    // record an idle sink after all).
    const Recording recording = StopRecording(*recorder);
    std::size_t sound = 0, silent = 0, silence = 0;
    while (sound < recording.left.size() && recording.left[sound] == 0.f)
        ++sound;
    for (std::size_t i = sound; i < recording.left.size(); ++i) {
        silent = recording.left[i] == 0.f && recording.right[i] == 0.f ? silent + 1 : 0;
        if (i + 1 < recording.left.size() && recording.left[i + 1] != 0.f) silence += silent;
    }
    // Two changes, each under a quarter of a second.
    EXPECT_LT(lagAfter - lagBefore + static_cast<double>(silence) / kRate, 0.5)
        << "lag " << lagBefore << " s, then " << lagAfter << " s; silence " << silence;
    // No click: no step larger than the tone's own (with room for the fades).
    // The tone's own steps: the second half of the first second, past the
    // start's glide and before the first change.
    ASSERT_GT(recording.left.size(), sound + 2 * kRate);
    const float toneStep = LargestStep(recording, sound + kRate / 2, sound + kRate);
    EXPECT_LT(LargestStep(recording, sound + kRate, recording.left.size()), 1.25f * toneStep);
    // At the new rate the plug-in plays the same tone (not one 44100/48000
    // off); the server's resampler varies its ratio a little while it settles.
    std::size_t last = recording.left.size();
    while (last > sound && recording.left[last - 1] == 0.f)
        --last;
    ASSERT_GT(last, sound + kRate);
    EXPECT_NEAR(
        ZeroCrossingFrequency(recording.left, kRate, last - kRate * 3 / 4, last - kRate / 4),
        196.085, 1.0);
}

// With an empty configuration folder and nothing asked for, the terminal
// and the window both play a beat from their first frame: the recording
// holds its two tones within its first second.
TEST_F(DesktopLive, AFirstStartPlaysABeatAtOnce) {
    const bool windows = WindowTestsCanRun();
    for (const bool window : {false, true}) {
        if (window && !windows) continue;
        SCOPED_TRACE(window ? "the window" : "--no-window");
        std::vector<std::string> env{"XDG_CONFIG_HOME=" +
                                     folder.Path(window ? "window" : "terminal").string()};
        env.insert(env.end(), Env().begin(), Env().end());
        std::vector<std::string> arguments{"--seconds", "2"};
        if (!window) arguments.push_back("--no-window");
        const auto recorder = StartRecording();
        const auto result = RunTonewell(arguments, env);
        const auto recording = StopRecording(*recorder);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::size_t first = 0;
        while (first < recording.left.size() && recording.left[first] == 0.f &&
               recording.right[first] == 0.f)
            ++first;
        ASSERT_LT(first, static_cast<std::size_t>(kRate)) << "silent for a second";
        EXPECT_NEAR(ZeroCrossingFrequency(recording.left, kRate, first, first + kRate), 196.085,
                    0.01);
        EXPECT_NEAR(ZeroCrossingFrequency(recording.right, kRate, first, first + kRate), 203.915,
                    0.01);
    }
}

// Messages name only what the program has: the parameter listing its hint
// points to, its own limit on a session's length, and no fallback to a
// default device that is not there either.
TEST_F(DesktopLive, MessagesSayOnlyWhatIsTrue) {
    const auto listing = RunTonewell({"--list-params"}, Env());
    EXPECT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_NE(listing.out.find("Frequency"), std::string::npos) << listing.out;
    const auto unknown = RunTonewell({"--no-window", "--set", "Bogus=1", "--seconds", "1"}, Env());
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("--list-params"), std::string::npos) << unknown.err;

    const auto day = folder.Path("day.txt");
    std::ofstream(day) << "0 set Frequency=200\n90000 end\n";
    const auto longer = RunTonewell({"--no-window", "--session", day.string()}, Env());
    EXPECT_EQ(longer.exitCode, 1);
    EXPECT_NE(longer.err.find("longer than the limit of 86400 s"), std::string::npos) << longer.err;
    EXPECT_EQ(longer.err.find("renderer"), std::string::npos) << longer.err;

    // The output chosen last time, and no sound server or card at all.
    if (!WindowTestsCanRun()) return;
    std::filesystem::create_directories(folder.Path("config/tonewell"));
    std::ofstream(folder.Path("config/tonewell/output.txt"))
        << "device=USB Audio\nrate=48000\nbuffer=256\n";
    std::vector<std::string> env{"XDG_CONFIG_HOME=" + folder.Path("config").string(),
                                 "PULSE_SERVER=unix:" + folder.Path("nothing").string(),
                                 "ALSA_CONFIG_PATH=/dev/null"};
    env.insert(env.end(), Env().begin(), Env().end());
    const auto silent = RunTonewell({"--seconds", "1"}, env);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("no audio output device"), std::string::npos) << silent.err;
    EXPECT_EQ(silent.err.find("playing through"), std::string::npos) << silent.err;
}

} // namespace
} // namespace tonewell::standalone::test
