// The built module's editor embedded in a top-level X window of a host of
// our own, which hands the view its run loop through the plug frame, driven
// with real X input (XTEST). Needs an X server with XTEST and XRes
// (scripts/test.sh starts a private Xvfb).
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

#include "HostPlugFrameLinux.h"
#include "HostRunLoopLinux.h"
#include "HostTestSupport.h"
#include "HostWindowLinux.h"
#include "InstrumentEditor.h"
#include "PngWriter.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

// Xlib's headers define macros such as None and Status: last.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>

extern char** environ;

using namespace Steinberg;
using namespace hosttest;
using tonewell::hostkit::HostPlugFrameLinux;
using tonewell::hostkit::HostRunLoopLinux;
using tonewell::hostkit::HostWindowLinux;
using CallKind = tonewell::hostkit::RecordingComponentHandler::CallKind;

namespace {

constexpr int kWidth = 368, kHeight = 370;
// More than two periods (41 ms) of the editor's timer.
constexpr int kTickMs = 100;
const FIDString kX11 = kPlatformTypeX11EmbedWindowID;

std::vector<uint32_t> HeadlessPicture(PluginInstance& plugin, double factor = 1.0) {
    tonewell::snapshot::InstrumentEditor headless;
    for (int p = 0; p < kParameterCount; ++p)
        headless.SetParameter(p, plugin.Controller()->getParamNormalized(p));
    EXPECT_TRUE(headless.Surface().SetScaleFactor(factor));
    headless.Surface().OpenEditorWindow(nullptr);
    headless.Surface().Tick();
    std::vector<uint32_t> pixels;
    const RAST_MemBitmap& screen = headless.Surface().Screen();
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            pixels.push_back(RAST_RowPointer(&screen, y)[x] & 0xFFFFFFu);
    return pixels;
}

// Pictures of a window stride pixels wide (the editor's width at its factor).
int ChangedPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, IBounds box,
                  int stride = kWidth) {
    int changed = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            changed += a.at(static_cast<size_t>(y * stride + x)) !=
                       b.at(static_cast<size_t>(y * stride + x));
    return changed;
}

void SaveScreenshot(const std::vector<uint32_t>& pixels, const char* name) {
    RAST_MemBitmap bitmap(kWidth, kHeight, 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            RAST_RowPointer(&bitmap, y)[x] =
                0xFF000000u | pixels.at(static_cast<size_t>(y * kWidth + x));
    tonewell::snapshot::PngWriter::WriteFile(bitmap,
                                             std::string(TONEWELL_SCREENSHOT_DIR) + "/" + name);
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// Clients of the X server, and the resources that the client owning window holds.
struct ServerCount {
    int clients = 0;
    long resources = -1;
};

ServerCount CountServer(::Display* display, unsigned long window) {
    ServerCount count;
    int n = 0;
    XResClient* clients = nullptr;
    if (!XResQueryClients(display, &n, &clients)) return count;
    count.clients = n;
    for (int i = 0; i < n; ++i) {
        if ((window & ~clients[i].resource_mask) != clients[i].resource_base) continue;
        int types = 0;
        XResType* list = nullptr;
        if (!XResQueryClientResources(display, clients[i].resource_base, &types, &list)) continue;
        count.resources = 0;
        for (int t = 0; t < types; ++t)
            count.resources += list[t].count;
        XFree(list);
    }
    XFree(clients);
    return count;
}

class EditorX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        host = HostWindowLinux::Create(kWidth + 40, kHeight + 60, error);
        if (!host) {
            if (HostWindowLinux::DisplayRequired()) FAIL() << error;
            GTEST_SKIP() << error;
        }
        plugin = NewInstance();
        ASSERT_NE(plugin, nullptr);
        loop = HostRunLoopLinux::Create();
        frame = HostPlugFrameLinux::Create(loop);
        view = owned(plugin->Controller()->createView("editor"));
        ASSERT_TRUE(view);
        ASSERT_EQ(view->isPlatformTypeSupported(kX11), kResultTrue);
        ASSERT_EQ(view->setFrame(frame), kResultOk);
        ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);
        ASSERT_EQ(host->Children().size(), 1u);
        editor = host->Children().front();
        // The first paint, and the pointer away from every control.
        PointerAway();
    }
    void TearDown() override {
        if (view) view->removed();
        view = nullptr;
        plugin.reset();
        if (host) {
            EXPECT_EQ(host->Errors(), 0);
        }
        host.reset();
    }

    // Once the server has taken the input, the editor reads all of it,
    // then its timer runs at least twice (entries finish, dirt repaints).
    void Settle() {
        loop->RunUntilQuiet(5000);
        loop->RunFor(kTickMs);
    }
    void Click(int x, int y, int button = 1, int times = 1) {
        host->MoveTo(editor, x, y);
        for (int i = 0; i < times; ++i) {
            host->Button(button, true);
            host->Button(button, false);
        }
        Settle();
    }
    void Type(const std::vector<unsigned long>& keys) {
        for (unsigned long key : keys)
            host->Tap(key);
        Settle();
    }
    // The button held from (x, y) to (x, toY) in four moves.
    void Drag(int x, int y, int toY) {
        host->MoveTo(editor, x, y);
        host->Button(1, true);
        for (int step = 1; step <= 4; ++step)
            host->MoveTo(editor, x, y + (toY - y) * step / 4);
        host->Button(1, false);
        Settle();
    }
    void PointerAway() {
        host->MoveTo(0, 900, 700);
        Settle();
    }
    std::vector<uint32_t> Screen() const { return host->Capture(editor, kWidth, kHeight); }
    double Normalized(int param) const { return plugin->Controller()->getParamNormalized(param); }
    double Plain(int param) const {
        return plugin->Controller()->normalizedParamToPlain(param, Normalized(param));
    }
    std::vector<CallKind> KindsFor(int param) const {
        std::vector<CallKind> kinds;
        for (const auto& call : plugin->Handler().Calls())
            if (call.kind != CallKind::Restart && call.id == static_cast<Vst::ParamID>(param))
                kinds.push_back(call.kind);
        return kinds;
    }
    // Every edit of the parameter the host heard lies inside one begin and end.
    void ExpectBracketedEdits(int param) const {
        int open = 0, performed = 0;
        for (const CallKind kind : KindsFor(param)) {
            if (kind == CallKind::BeginEdit) ++open;
            if (kind == CallKind::EndEdit) --open;
            if (kind == CallKind::PerformEdit) {
                ++performed;
                EXPECT_EQ(open, 1);
            }
        }
        EXPECT_EQ(open, 0);
        EXPECT_GT(performed, 0);
    }

    std::unique_ptr<HostWindowLinux> host;
    std::unique_ptr<PluginInstance> plugin;
    IPtr<HostRunLoopLinux> loop;
    IPtr<HostPlugFrameLinux> frame;
    IPtr<IPlugView> view;
    unsigned long editor = 0;
};

// While the editor is open the host's loop runs two timers of the plug-in's:
// the window's, and the one that carries its requests to the host (this
// host's component handler offers no loop of its own).
constexpr int kOpenTimers = 2;

} // namespace

TEST_F(EditorX11Test, RealInputReachesTheHostAndTheScreenMatchesTheHeadlessEditor) {
    // As it opens: the same picture as the headless surface of the same state.
    EXPECT_EQ(loop->EventHandlerCount(), 1);
    EXPECT_EQ(loop->TimerCount(), kOpenTimers);
    const auto opened = Screen();
    ASSERT_EQ(opened.size(), size_t{kWidth * kHeight});
    EXPECT_EQ(ChangedPixels(opened, HeadlessPicture(*plugin), IBounds{0, 0, kWidth, kHeight}), 0);

    // "Binaural": 40 pixels up an 82-pixel knob at gearing 4.
    const double start = Normalized(Binaural);
    Drag(181, 133, 93);
    EXPECT_NEAR(Normalized(Binaural), start + 40.0 / 82.0 / 4.0, 1e-6);
    const auto kinds = KindsFor(Binaural);
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(kinds.front(), CallKind::BeginEdit);
    EXPECT_EQ(kinds[1], CallKind::PerformEdit);
    EXPECT_EQ(kinds.back(), CallKind::EndEdit);
    EXPECT_GT(ChangedPixels(opened, Screen(), IBounds{139, 92, 223, 174}), 100);
    // Touching a knob leaves the keyboard to the host (its shortcuts), even
    // with the pointer still over the editor.
    const int hostKeys = host->KeyPresses();
    host->Tap(XK_space);
    EXPECT_EQ(host->KeyPresses(), hostKeys + 1);

    // Quick presses more than 2 pixels apart are two clicks; two in one
    // place are a double click, which gives the knob its default.
    Click(185, 137);
    Click(181, 133);
    EXPECT_NE(Normalized(Binaural), start);
    Click(181, 133, 1, 2);
    EXPECT_EQ(Normalized(Binaural), start);

    // The wave switch steps through its four shapes and wraps (clicks apart,
    // so no two make a double click).
    const double waves[] = {1.0 / 3.0, 2.0 / 3.0, 1.0, 0.0};
    for (int i = 0; i < 4; ++i) {
        Click(59 + 4 * i, 300);
        EXPECT_NEAR(Normalized(Wave), waves[i], 1e-9);
    }

    // The mode button swaps the layouts: covers over the envelope knobs.
    const auto synthesizer = Screen();
    Click(290, 244);
    EXPECT_EQ(Normalized(Mode), 0.0);
    PointerAway();
    const auto generator = Screen();
    EXPECT_GT(ChangedPixels(synthesizer, generator, IBounds{112, 267, 178, 331}), 200);
    EXPECT_EQ(ChangedPixels(generator, HeadlessPicture(*plugin), IBounds{0, 0, kWidth, kHeight}),
              0);
    SaveScreenshot(generator, "editor-linux-generator.png");

    // Back to the synthesizer, one wave step on, the pointer gone: still the
    // headless editor's picture, pixel for pixel.
    Click(294, 246);
    EXPECT_EQ(Normalized(Mode), 1.0);
    Click(65, 300);
    PointerAway();
    const auto final = Screen();
    EXPECT_EQ(ChangedPixels(final, HeadlessPicture(*plugin), IBounds{0, 0, kWidth, kHeight}), 0);
    SaveScreenshot(final, "editor-linux.png");

    // With the editor open, a program change's restart goes by the frame's
    // loop (the handler offers none) once it turns, on its thread.
    const auto loopThread = std::this_thread::get_id();
    bool onLoopThread = true;
    plugin->Handler().OnRestart(
        [&](int32) { onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread; });
    plugin->Controller()->setParamNormalized(
        kPresetId, ProgramValue(FindProgram(*plugin, "Binaural - 7.83 (Schumann Resonance)")));
    EXPECT_TRUE(loop->RunUntil(
        [&] { return plugin->Handler().Restarts(Vst::kParamValuesChanged) == 1; }, 2000));
    EXPECT_TRUE(onLoopThread);
    plugin->Handler().OnRestart(nullptr);
}

TEST_F(EditorX11Test, ValuesAreChosenAndTyped) {
    // A right click on "Center Freq" opens the editor's own list of its two
    // values centred on the switch; a click chooses "Yes".
    const auto before = Screen();
    Click(303, 211, 3);
    EXPECT_GT(ChangedPixels(before, Screen(), IBounds{246, 180, 360, 250}), 100);
    Click(303, 221);
    EXPECT_EQ(Normalized(CenterFreq), 1.0);
    // The wave switch asks for value entry, which on Linux is that list too;
    // "Triangle", the third of four, lies just below its middle.
    Click(65, 300, 3);
    Click(65, 310);
    EXPECT_NEAR(Normalized(Wave), 2.0 / 3.0, 1e-9);

    // A right click on a knob opens a text field holding the value, all of
    // it selected: typing replaces it, Enter commits within a timer period.
    plugin->Handler().Clear();
    Click(181, 133, 3);
    const auto field = Screen();
    EXPECT_GT(ChangedPixels(before, field, IBounds{150, 125, 212, 141}), 200);
    SaveScreenshot(field, "editor-linux-entry.png");
    // Typing goes to the field alone; once it closes the keys are the host's.
    const int hostKeys = host->KeyPresses();
    Type({XK_1, XK_2, XK_period, XK_5, XK_Return});
    EXPECT_NEAR(Plain(Binaural), 12.5, 1e-9);
    EXPECT_EQ(host->KeyPresses(), hostKeys);
    host->Tap(XK_space);
    EXPECT_EQ(host->KeyPresses(), hostKeys + 1);
    ExpectBracketedEdits(Binaural);
    // The field is gone from the screen, which shows the new value.
    PointerAway();
    EXPECT_EQ(ChangedPixels(Screen(), HeadlessPicture(*plugin), IBounds{0, 0, kWidth, kHeight}), 0);

    // The editing keys: "345", two left, Backspace, Delete, End "0", Home "1".
    Click(181, 133, 3);
    Type({XK_3, XK_4, XK_5, XK_Left, XK_Left, XK_BackSpace, XK_Delete, XK_End, XK_0, XK_Home, XK_1,
          XK_KP_Enter});
    EXPECT_NEAR(Plain(Binaural), 150.0, 1e-9);

    // Escape, and a right click elsewhere, cancel; text that is no number commits 0.
    Click(181, 133, 3);
    Type({XK_9, XK_Escape});
    EXPECT_NEAR(Plain(Binaural), 150.0, 1e-9);
    Click(181, 133, 3);
    Type({XK_7});
    Click(300, 20, 3);
    EXPECT_NEAR(Plain(Binaural), 150.0, 1e-9);
    Click(181, 133, 3);
    Type({XK_l, XK_o, XK_u, XK_d, XK_Return});
    EXPECT_EQ(Plain(Binaural), 0.0);

    // A left click elsewhere commits, then acts: the wave switch steps too.
    const double wave = Normalized(Wave);
    Click(181, 133, 3);
    Type({XK_6, XK_0});
    Click(65, 300);
    EXPECT_NEAR(Plain(Binaural), 60.0, 1e-9);
    EXPECT_NEAR(Normalized(Wave), wave + 1.0 / 3.0, 1e-9);
    ExpectBracketedEdits(Binaural);
}

// Hosts open and close editors over and over; nothing may pile up, in the
// process or in the server.
TEST_F(EditorX11Test, OpeningAndClosingKeepsMemoryAndServerResourcesFlat) {
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ASSERT_EQ(view->removed(), kResultOk);
            ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);
            loop->RunFor(i % 50 == 0 ? kTickMs : 0);
        }
        loop->RunFor(kTickMs);
    };
    // The server drops closed connections in its own time: counted once
    // the count no longer falls.
    auto settledCount = [&] {
        ServerCount count = CountServer(host->Display(), host->Children().at(0));
        for (int i = 0; i < 40; ++i) {
            loop->RunFor(50);
            const ServerCount again = CountServer(host->Display(), host->Children().at(0));
            if (again.clients == count.clients && again.resources == count.resources) break;
            count = again;
        }
        return count;
    };
    cycle(20);
    const long memoryBefore = ResidentKiB();
    const ServerCount before = settledCount();
    cycle(500);
    const long memoryAfter = ResidentKiB();
    ASSERT_EQ(host->Children().size(), 1u);
    const ServerCount after = settledCount();
    EXPECT_GT(before.resources, 0);
    EXPECT_EQ(after.resources, before.resources);
    EXPECT_EQ(after.clients, before.clients);
    EXPECT_EQ(loop->EventHandlerCount(), 1);
    EXPECT_EQ(loop->TimerCount(), kOpenTimers);
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer keeps freed memory in quarantine; it checks leaks itself.)
    EXPECT_LT(memoryAfter, memoryBefore + 4096);
#else
    (void)memoryBefore;
    (void)memoryAfter;
#endif
}

// What careless hosts do: no run loop, attach twice, a second view taking the
// window, a view released without removed(), a parent destroyed first.
TEST_F(EditorX11Test, CarelessHostsNeitherCrashNorLeaveWindowsOrHandlersBehind) {
    // A wheel notch, then the window closed long before the delayed end of
    // that edit: the host hears the end at once.
    plugin->Handler().Clear();
    host->MoveTo(editor, 181, 133);
    host->Button(4, true);
    host->Button(4, false);
    loop->RunUntilQuiet(5000);
    ASSERT_EQ(KindsFor(Binaural),
              (std::vector<CallKind>{CallKind::BeginEdit, CallKind::PerformEdit}));
    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(KindsFor(Binaural).back(), CallKind::EndEdit);
    ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);

    std::string error;
    auto otherHost = HostWindowLinux::Create(kWidth, kHeight, error);
    ASSERT_NE(otherHost, nullptr) << error;

    // A host without a run loop gets no window.
    IPtr<IPlugView> second = owned(plugin->Controller()->createView("editor"));
    ASSERT_TRUE(second);
    const IPtr<HostPlugFrameLinux> loopless = HostPlugFrameLinux::Create(nullptr);
    ASSERT_EQ(second->setFrame(loopless), kResultOk);
    EXPECT_EQ(second->attached(otherHost->ParentHandle(), kX11), kResultFalse);
    EXPECT_TRUE(otherHost->Children().empty());
    EXPECT_EQ(host->Children().size(), 1u);

    // Attached twice: still one window, one handler, one timer.
    ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);
    loop->RunFor(kTickMs);
    EXPECT_EQ(host->Children().size(), 1u);
    EXPECT_EQ(loop->EventHandlerCount(), 1);
    EXPECT_EQ(loop->TimerCount(), kOpenTimers);

    // A second view takes the window; removing the first leaves it there;
    // releasing the second without removed() closes it.
    ASSERT_EQ(second->setFrame(frame), kResultOk);
    ASSERT_EQ(second->attached(otherHost->ParentHandle(), kX11), kResultOk);
    loop->RunFor(kTickMs);
    EXPECT_TRUE(host->Children().empty());
    EXPECT_EQ(otherHost->Children().size(), 1u);
    EXPECT_EQ(loop->EventHandlerCount(), 1);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(otherHost->Children().size(), 1u);
    second = nullptr;
    EXPECT_TRUE(otherHost->Children().empty());
    EXPECT_EQ(loop->EventHandlerCount(), 0);
    EXPECT_EQ(loop->TimerCount(), 0);

    // The host's window destroyed before removed(), during a held drag: the
    // host hears the end of the edit, and removing finds nothing to undo.
    ASSERT_EQ(view->attached(otherHost->ParentHandle(), kX11), kResultOk);
    loop->RunFor(kTickMs);
    const unsigned long moved = otherHost->Children().at(0);
    plugin->Handler().Clear();
    otherHost->MoveTo(moved, 181, 133);
    otherHost->Button(1, true);
    otherHost->MoveTo(moved, 181, 120);
    loop->RunUntilQuiet(5000);
    otherHost->Destroy();
    loop->RunUntilQuiet(5000);
    otherHost->Button(1, false);
    const auto kinds = KindsFor(Binaural);
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.back(), CallKind::EndEdit);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(loop->EventHandlerCount(), 0);
    EXPECT_EQ(loop->TimerCount(), 0);
    EXPECT_EQ(otherHost->Errors(), 0);

    // A parent that is no window, then a good one again.
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{0x7fffffff}), kX11), kResultFalse);
    EXPECT_EQ(loop->EventHandlerCount(), 0);
    ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);
    ASSERT_EQ(host->Children().size(), 1u);

    // A host that makes the window larger than the editor (Ardour fits it to
    // its own window): beyond the editor its last column and row go on.
    editor = host->Children().front();
    constexpr int kWide = kWidth + 24, kTall = kHeight + 16;
    XResizeWindow(host->Display(), editor, kWide, kTall);
    XSync(host->Display(), False);
    Settle();
    const auto large = host->Capture(editor, kWide, kTall);
    ASSERT_EQ(large.size(), size_t{kWide * kTall});
    const auto at = [&](int x, int y) { return large[static_cast<size_t>(y * kWide + x)]; };
    EXPECT_NE(at(kWidth - 1, 0), 0u); // the editor painted again, not all black
    for (int y = 0; y < kTall; y += 37)
        EXPECT_EQ(at(kWide - 1, y), at(kWidth - 1, std::min(y, kHeight - 1))) << y;
    for (int x = 0; x < kWide; x += 37)
        EXPECT_EQ(at(x, kTall - 1), at(std::min(x, kWidth - 1), kHeight - 1)) << x;
}

// The X server goes away under an open editor: the editor lets go of the
// connection's descriptor, and nothing crashes or hangs.
TEST_F(EditorX11Test, AServerThatGoesAwayIsLetGo) {
    int number = 0;
    for (int n = 200; n < 300 && !number; ++n) {
        struct stat info {};
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        if (stat(lock.c_str(), &info) != 0 && stat(socket.c_str(), &info) != 0) number = n;
    }
    ASSERT_NE(number, 0);
    const std::string name = ":" + std::to_string(number);
    char program[] = "Xvfb";
    char screen[] = "-screen", zero[] = "0", size[] = "640x480x24", tcp[] = "-nolisten",
         protocol[] = "tcp";
    std::string display = name;
    char* arguments[] = {program, display.data(), screen, zero, size, tcp, protocol, nullptr};
    pid_t server = 0;
    ASSERT_EQ(posix_spawnp(&server, program, nullptr, nullptr, arguments, environ), 0);

    // The parent, on that server, made through XCB: Xlib would end the
    // program when its server goes.
    xcb_connection_t* connection = nullptr;
    for (int attempt = 0; attempt < 100; ++attempt) {
        connection = xcb_connect(name.c_str(), nullptr);
        if (!xcb_connection_has_error(connection)) break;
        xcb_disconnect(connection);
        connection = nullptr;
        usleep(50000);
    }
    ASSERT_NE(connection, nullptr);
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t parent = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, parent, root->root, 0, 0, kWidth, kHeight,
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, root->root_visual, 0, nullptr);
    xcb_map_window(connection, parent);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const std::string ownDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", name.c_str(), 1);
    const tresult opened = view->attached(reinterpret_cast<void*>(uintptr_t{parent}), kX11);
    setenv("DISPLAY", ownDisplay.c_str(), 1);
    ASSERT_EQ(opened, kResultOk);
    loop->RunFor(kTickMs);
    EXPECT_EQ(loop->EventHandlerCount(), 1);

    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);
    loop->RunUntil([&] { return loop->EventHandlerCount() == 0; }, 5000);
    EXPECT_EQ(loop->EventHandlerCount(), 0);
    EXPECT_EQ(loop->TimerCount(), kOpenTimers);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(loop->TimerCount(), 0);
    xcb_disconnect(connection);

    // The editor opens again where there is a server.
    ASSERT_EQ(view->attached(host->ParentHandle(), kX11), kResultOk);
    loop->RunFor(kTickMs);
    EXPECT_EQ(loop->EventHandlerCount(), 1);
}

// The host's content scale sizes the open window at once and repaints it all
// at the scale, where real input acts as at 1x; many changes leave memory and
// the server's resources as they were.
TEST_F(EditorX11Test, TheWindowFollowsTheContentScale) {
    FUnknownPtr<IPlugViewContentScaleSupport> scale(view);
    ASSERT_TRUE(scale);
    // Room for the editor at twice the size (the screen has no room for 3x).
    XResizeWindow(host->Display(), host->Id(), 2 * kWidth + 10, 2 * kHeight + 10);
    auto size = [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(host->Display(), editor, &attributes);
        return std::make_pair(attributes.width, attributes.height);
    };
    // The editor sent the new size at once; the server takes it from that
    // connection in its own time (the host's loop stays still meanwhile).
    auto sizeBecomes = [&](std::pair<int, int> wanted) {
        for (int i = 0; i < 100 && size() != wanted; ++i)
            usleep(10000);
        return size();
    };
    ASSERT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_EQ(frame->ResizeRequests(), 1);
    EXPECT_EQ(sizeBecomes({2 * kWidth, 2 * kHeight}), std::make_pair(2 * kWidth, 2 * kHeight));
    Settle();
    // Resizing clears the window to black; the exposure painted it again,
    // pixel for pixel the headless editor at 2x.
    const IBounds whole{0, 0, 2 * kWidth, 2 * kHeight};
    const auto big = [&] { return host->Capture(editor, 2 * kWidth, 2 * kHeight); };
    const auto opened = big();
    ASSERT_EQ(opened.size(), size_t{4} * kWidth * kHeight);
    EXPECT_EQ(ChangedPixels(opened, HeadlessPicture(*plugin, 2.0), whole, 2 * kWidth), 0);

    // Real input at 2x: 80 window pixels up "Binaural" turn it as 40 do at 1x.
    plugin->Handler().Clear();
    const double start = Normalized(Binaural);
    Drag(362, 266, 186);
    EXPECT_NEAR(Normalized(Binaural), start + 40.0 / 82.0 / 4.0, 1e-6);
    ExpectBracketedEdits(Binaural);
    // A right click opens the value field over the control's pixels (the 1x
    // field's box, 157, 125 to 205, 141, doubled), and nowhere else; typing
    // and Enter commit.
    plugin->Handler().Clear();
    const auto turned = big();
    Click(362, 266, 3);
    const auto field = big();
    const IBounds box{314, 250, 410, 282};
    EXPECT_GT(ChangedPixels(turned, field, box, 2 * kWidth), 800);
    EXPECT_EQ(ChangedPixels(turned, field, whole, 2 * kWidth),
              ChangedPixels(turned, field, box, 2 * kWidth));
    Type({XK_1, XK_2, XK_period, XK_5, XK_Return});
    EXPECT_NEAR(Plain(Binaural), 12.5, 1e-9);
    ExpectBracketedEdits(Binaural);
    // The editor's own list at 2x: "Yes" just below the middle of "Center Freq".
    Click(606, 422, 3);
    Click(606, 442);
    EXPECT_EQ(Normalized(CenterFreq), 1.0);
    PointerAway();
    EXPECT_EQ(ChangedPixels(big(), HeadlessPicture(*plugin, 2.0), whole, 2 * kWidth), 0);

    // A field still open when the factor changes goes, sending nothing, and
    // gives the keys back to the host.
    Click(362, 266, 3);
    Type({XK_7});
    PointerAway();
    plugin->Handler().Clear();
    ASSERT_EQ(scale->setContentScaleFactor(1.0f), kResultTrue);
    EXPECT_EQ(sizeBecomes({kWidth, kHeight}), std::make_pair(kWidth, kHeight));
    Settle();
    EXPECT_EQ(ChangedPixels(Screen(), HeadlessPicture(*plugin), IBounds{0, 0, kWidth, kHeight}), 0);
    EXPECT_NEAR(Plain(Binaural), 12.5, 1e-9);
    EXPECT_TRUE(KindsFor(Binaural).empty());
    const int hostKeys = host->KeyPresses();
    host->MoveTo(editor, 5, 5);
    host->Tap(XK_space);
    EXPECT_EQ(host->KeyPresses(), hostKeys + 1);

    // A few painted rounds first: the first paint at 1.5 loads the 2x images,
    // kept for the process, and the allocator settles within them (measured:
    // flat from the tenth change to the three-thousandth).
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(scale->setContentScaleFactor(i % 2 ? 1.0f : 1.5f), kResultTrue);
        loop->RunFor(kTickMs);
    }
    Settle();
    const ServerCount before = CountServer(host->Display(), editor);
    const long memoryBefore = ResidentKiB();
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(scale->setContentScaleFactor(i % 2 ? 1.0f : 1.5f), kResultTrue);
        loop->RunFor(i % 50 == 0 ? kTickMs : 0);
    }
    Settle();
    EXPECT_EQ(size(), std::make_pair(kWidth, kHeight));
    EXPECT_EQ(frame->ResizeRequests(), 512);
    EXPECT_EQ(CountServer(host->Display(), editor).resources, before.resources);
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(ResidentKiB(), memoryBefore + 4096);
#else
    (void)memoryBefore;
#endif
}

// A Return that reaches the editor's connection while the host's loop is
// busy, and that the editor's own writing then reads into libxcb's queue (a
// tick presenting a repainted knob), leaves the socket unreadable: a host
// that calls the editor only for a readable socket never hands it over. The
// editor handles it before its tick returns, so the value commits within
// the next tick, every time.
TEST_F(EditorX11Test, AKeyReadWhileTheTickWritesIsHandledBeforeTheTickReturns) {
    std::string error;
    ASSERT_TRUE(plugin->Start(ProcessConfig{}, error)) << error;
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    for (int run = 0; run < 50; ++run) {
        SCOPED_TRACE(run);
        const double typed = 10 + run % 2;
        Click(181, 133, 3);
        host->Tap(XK_1);
        host->Tap(run % 2 ? XK_1 : XK_0);
        loop->RunUntilQuiet(5000);
        ASSERT_NE(Plain(Binaural), typed);
        // The loop stalls while Return arrives and the audio thread moves a
        // knob; the host's next round serves its timers first.
        host->Tap(XK_Return);
        usleep(2000);
        plugin->ParameterChanges().Add(Volume, 0.5 + 0.25 * (run % 2));
        ASSERT_EQ(plugin->Process(256, nullptr, outputs), kResultOk);
        plugin->ParameterChanges().Clear();
        loop->FireTimers();
        EXPECT_TRUE(loop->RunUntil([&] { return Plain(Binaural) == typed; }, 100));
    }
}
