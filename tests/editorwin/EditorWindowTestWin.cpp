// The built module's editor in a window of a host of our own, as a DAW on
// Windows would show it, driven by input through the system's queue and
// compared with the headless editor. Needs a display (under Wine, an X server).
// clang-format off
// psapi.h needs the types windows.h declares.
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "HostTestSupport.h"
#include "ImageCache.h"
#include "InstrumentEditor.h"
#include "PngWriter.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"
#include "WindowTestSupportWin.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

using namespace Steinberg;
using namespace hosttest;
using CallKind = tonewell::hostkit::RecordingComponentHandler::CallKind;

namespace {

constexpr int kWidth = 368, kHeight = 370;
// More than one redraw period (41 ms) of the editor's timer.
constexpr int kTickMs = 120;

// Handles every message waiting for this thread for about ms milliseconds,
// timer messages included.
void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// Pumps until done() holds, for at most five seconds.
void PumpUntil(const std::function<bool()>& done) {
    for (int waited = 0; waited < 5000 && !done(); waited += 20)
        Pump(20);
}

HWND MakeHostWindow() {
    return CreateWindowExA(0, "STATIC", "Tonewell test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                           0, kWidth + 40, kHeight + 60, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The editor's window inside the host window, or null.
HWND EditorWindowOf(HWND host) {
    for (HWND child = GetWindow(host, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::string(name) == "ICoreWndClass") return child;
    }
    return nullptr;
}

// The image the background is drawn from, read from the source tree (a Unix
// path under Wine is drive Z:).
std::unique_ptr<RAST_IBitmap> SourceBackground() {
    std::string path = TONEWELL_IMAGE_DIR "/bg.png";
    if (path[0] == '/') path = "Z:" + path;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    std::vector<unsigned char> bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGMemory(bytes.data(), bytes.size()));
}

// What the window shows, as 0xRRGGBB words, row by row.
std::vector<uint32_t> Capture(HWND window, int width = kWidth, int height = kHeight) {
    return tonewell::wintest::CaptureWindow(window, width, height);
}

// Keeps what the window shows as a PNG file among the build's artefacts.
void SaveScreenshot(const std::vector<uint32_t>& pixels, const char* name, int width = kWidth,
                    int height = kHeight) {
    RAST_MemBitmap bitmap(width, height, 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            RAST_RowPointer(&bitmap, y)[x] =
                0xFF000000u | pixels[static_cast<size_t>(y * width + x)];
    std::string path = std::string(TONEWELL_SCREENSHOT_DIR) + "/" + name;
    if (path[0] == '/') path = "Z:" + path;
    tonewell::snapshot::PngWriter::WriteFile(bitmap, path);
}

// Pictures of a window stride pixels wide (the editor's width at its factor).
int ChangedPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, RECT box,
                  int stride = kWidth) {
    int changed = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            changed += a.at(static_cast<size_t>(y * stride + x)) !=
                       b.at(static_cast<size_t>(y * stride + x));
    return changed;
}

constexpr RECT kWhole{0, 0, kWidth, kHeight};

// The ids the editor's layout loads its images by.
constexpr int kFirstImageId = 100, kLastImageId = 110;

// The same editor on a headless surface in this program at the factor, given
// the state the plug-in under test holds. Its images and their 2x and 3x twins
// are decoded from the resources of the module that made the window (this
// program has none of its own), once.
std::vector<uint32_t> HeadlessPicture(PluginInstance& plugin, HWND editor, double factor = 1.0) {
    static const bool imagesTaken = [editor] {
        const auto module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(editor, GWLP_HINSTANCE));
        bool all = true;
        for (int id = kFirstImageId; id <= kLastImageId; ++id)
            for (int set : {id, id + 100, id + 200})
                all &= ImageCache::Instance().Add(set, std::unique_ptr<RAST_IBitmap>(
                                                           RAST_DecodePNGResource(module, set))) !=
                       nullptr;
        return all;
    }();
    EXPECT_TRUE(imagesTaken);
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

// Input the way a user gives it: into the system's queue, from where the
// window under the cursor, or the one with the keyboard focus, gets it.
void SendMouse(DWORD flags, int wheel = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = static_cast<DWORD>(wheel);
    SendInput(1, &input, sizeof input);
}

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = NewInstance();
        ASSERT_NE(plugin, nullptr);
        view = owned(plugin->Controller()->createView("editor"));
        ASSERT_TRUE(view);
        ASSERT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        host = MakeHostWindow();
        ASSERT_NE(host, nullptr);
        ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
        editor = EditorWindowOf(host);
        ASSERT_NE(editor, nullptr);
        // Keys go to the foreground window's focus, as for a user's plug-in window.
        SetForegroundWindow(host);
        PointerAway();
        ASSERT_EQ(GetForegroundWindow(), host);
    }
    void TearDown() override {
        if (view) view->removed();
        view = nullptr;
        plugin.reset();
        if (host) DestroyWindow(host);
        Pump(10);
    }

    // Places the cursor on a point of the editor; the queue reports the move
    // to the window under it (with the buttons held, a drag).
    void MoveTo(int x, int y) {
        POINT p{x, y};
        ClientToScreen(editor, &p);
        SetCursorPos(p.x, p.y);
        Pump(10);
    }
    // Quick presses less than 3 pixels apart make a double click: callers
    // that click one control twice move a little.
    void Click(int x, int y, bool right = false) {
        MoveTo(x, y);
        SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
        SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
        Pump(kTickMs);
    }
    void Drag(int x, int y, int toY) {
        MoveTo(x, y);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        for (int step = 1; step <= 4; ++step)
            MoveTo(x, y + (toY - y) * step / 4);
        SendMouse(MOUSEEVENTF_LEFTUP);
        Pump(kTickMs);
    }
    void Wheel(int x, int y, int notches) {
        MoveTo(x, y);
        SendMouse(MOUSEEVENTF_WHEEL, notches * WHEEL_DELTA);
        Pump(kTickMs);
    }
    void Type(std::initializer_list<WORD> keys) {
        for (const WORD key : keys) {
            SendKey(key, false);
            SendKey(key, true);
        }
        Pump(kTickMs);
    }
    // Out of the editor, over the host's own window: hover marks go away.
    void PointerAway() {
        RECT client{};
        GetClientRect(editor, &client);
        MoveTo(client.right + 10, client.bottom / 2);
        Pump(kTickMs);
    }

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
    // Every edit the host hears of lies inside a begin and an end.
    void ExpectBracketedEdits(int param) const {
        int open = 0;
        for (const CallKind kind : KindsFor(param)) {
            if (kind == CallKind::BeginEdit) ++open;
            if (kind == CallKind::EndEdit) --open;
            if (kind == CallKind::PerformEdit) {
                EXPECT_EQ(open, 1);
            }
        }
        EXPECT_EQ(open, 0);
    }
    HWND EntryWindow() const { return GetWindow(editor, GW_CHILD); }
    // Pixels in which the window differs from the headless editor of the same
    // state at the factor (a whole number), once the window's timer has had
    // the time to repaint; a mismatch leaves both pictures among the build's
    // artefacts.
    int Differences(int factor = 1) const {
        const int w = factor * kWidth, h = factor * kHeight;
        const auto headless = HeadlessPicture(*plugin, editor, factor);
        std::vector<uint32_t> shown;
        PumpUntil([&] {
            shown = Capture(editor, w, h);
            return ChangedPixels(shown, headless, RECT{0, 0, w, h}, w) == 0;
        });
        const int changed = ChangedPixels(shown, headless, RECT{0, 0, w, h}, w);
        if (changed != 0) {
            SaveScreenshot(shown, "editor-windows-mismatch-window.png", w, h);
            SaveScreenshot(headless, "editor-windows-mismatch-headless.png", w, h);
        }
        return changed;
    }

    std::unique_ptr<PluginInstance> plugin;
    IPtr<IPlugView> view;
    HWND host = nullptr;
    HWND editor = nullptr;
};

} // namespace

TEST_F(EditorWindowTest, TheWindowShowsTheModulesOwnBackground) {
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    // The test program has no images of its own: the background the window
    // shows was loaded from the module's resources.
    const auto background = SourceBackground();
    ASSERT_NE(background, nullptr);
    ASSERT_EQ(background->width(), kWidth);
    ASSERT_EQ(background->height(), kHeight);
    const auto shown = Capture(editor);
    ASSERT_EQ(shown.size(), size_t{kWidth * kHeight});
    for (const POINT p :
         {POINT{2, 2}, POINT{365, 2}, POINT{2, 367}, POINT{365, 367}, POINT{180, 3}}) {
        const uint32_t expected = RAST_RowPointer(background.get(), p.y)[p.x] & 0xFFFFFFu;
        EXPECT_EQ(shown[static_cast<size_t>(p.y * kWidth + p.x)], expected) << p.x << "," << p.y;
    }
}

TEST_F(EditorWindowTest, RealInputReachesTheHostAndTheScreenMatchesTheHeadlessEditor) {
    // As it opens: the same picture as the headless surface of the same state.
    EXPECT_EQ(Differences(), 0);
    const auto before = Capture(editor);

    // "Binaural": 40 pixels up an 82-pixel knob at gearing 4.
    const double start = Normalized(Binaural);
    Drag(181, 133, 93);
    EXPECT_NEAR(Normalized(Binaural), start + 40.0 / 82.0 / 4.0, 1e-6);
    const auto kinds = KindsFor(Binaural);
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(kinds.front(), CallKind::BeginEdit);
    EXPECT_EQ(kinds[1], CallKind::PerformEdit);
    EXPECT_EQ(kinds.back(), CallKind::EndEdit);
    const auto after = Capture(editor);
    EXPECT_GT(ChangedPixels(before, after, RECT{139, 92, 223, 174}), 100);
    // The band name followed the beat (4 Hz, theta, to about 66 Hz, lambda).
    EXPECT_GT(ChangedPixels(before, after, RECT{246, 125, 348, 143}), 10);

    // A wheel notch down takes a hundredth off, inside an edit that its
    // notch begins and, having no release, a countdown of the editor's timer
    // ends.
    plugin->Handler().Clear();
    const double dragged = Normalized(Binaural);
    Wheel(185, 137, -1);
    EXPECT_NEAR(Normalized(Binaural), dragged - 0.01, 1e-9);
    const auto ended = [&] {
        const auto wheel = KindsFor(Binaural);
        return !wheel.empty() && wheel.back() == CallKind::EndEdit;
    };
    EXPECT_FALSE(ended());
    PumpUntil(ended);
    EXPECT_TRUE(ended());
    ExpectBracketedEdits(Binaural);

    // The wave switch steps through its four shapes and wraps.
    const double waves[] = {1.0 / 3.0, 2.0 / 3.0, 1.0, 0.0};
    for (int i = 0; i < 4; ++i) {
        Click(59 + 4 * i, 300);
        EXPECT_NEAR(Normalized(Wave), waves[i], 1e-9);
    }

    // The mode button swaps the layouts: the covers come over the envelope
    // knobs, and the note line says "off".
    PointerAway();
    EXPECT_EQ(Differences(), 0);
    const auto synthesizer = Capture(editor);
    Click(290, 244);
    EXPECT_EQ(Normalized(Mode), 0.0);
    PointerAway();
    EXPECT_EQ(Differences(), 0);
    const auto generator = Capture(editor);
    EXPECT_GT(ChangedPixels(synthesizer, generator, RECT{112, 267, 178, 331}), 200);
    EXPECT_GT(ChangedPixels(synthesizer, generator, RECT{246, 232, 338, 257}), 50);
    EXPECT_EQ(ChangedPixels(synthesizer, generator, RECT{272, 267, 338, 331}), 0);
    Click(294, 246);
    EXPECT_EQ(Normalized(Mode), 1.0);
    PointerAway();
    EXPECT_EQ(Differences(), 0);
    EXPECT_EQ(ChangedPixels(synthesizer, Capture(editor), kWhole), 0);
}

TEST_F(EditorWindowTest, TheDisplayShowsTheSoundingNote) {
    // The generator layout, as a picture for the build's artefacts.
    Click(290, 244);
    PointerAway();
    SaveScreenshot(Capture(editor), "editor-windows-generator.png");
    Click(294, 246);
    PointerAway();

    std::string error;
    ASSERT_TRUE(plugin->Start({}, error)) << error;
    Render(*plugin, 512);
    Pump(kTickMs);
    const auto idle = Capture(editor);
    plugin->Events().AddNoteOn(0, 69, 0.8f);
    Render(*plugin, 512);
    plugin->Events().Clear();
    Pump(kTickMs);
    const auto playing = Capture(editor);
    // "0.00 Hz" became "440.00 Hz"; nothing else on the screen moved.
    EXPECT_GT(ChangedPixels(idle, playing, RECT{246, 182, 331, 197}), 10);
    EXPECT_EQ(ChangedPixels(idle, playing, RECT{0, 0, kWidth, 180}), 0);
    SaveScreenshot(playing, "editor-windows-synthesizer.png");
    plugin->Stop();
}

TEST_F(EditorWindowTest, ValuesAreTypedAndChosenInTheEditor) {
    // A right click on the wave switch opens the system's drop-down list of
    // its shapes; a click opens the list, a click on "Triangle" chooses it,
    // committed at the next tick.
    Click(65, 300, true);
    HWND list = EntryWindow();
    ASSERT_NE(list, nullptr);
    char listClass[16] = {};
    GetClassNameA(list, listClass, sizeof listClass);
    EXPECT_STRCASEEQ(listClass, "COMBOBOX");
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 4);
    RECT box{};
    GetClientRect(list, &box);
    MapWindowPoints(list, editor, reinterpret_cast<POINT*>(&box), 2);
    Click((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    ASSERT_TRUE(GetComboBoxInfo(list, &parts));
    ASSERT_TRUE(IsWindowVisible(parts.hwndList));
    RECT item{};
    ASSERT_NE(SendMessageA(parts.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    MapWindowPoints(parts.hwndList, editor, reinterpret_cast<POINT*>(&item), 2);
    Click((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    EXPECT_EQ(EntryWindow(), nullptr);
    EXPECT_NEAR(Normalized(Wave), 2.0 / 3.0, 1e-9);

    // A right click on the "Center Freq" switch opens the editor's own list
    // of its two values, centred on the switch; a click just below the
    // middle chooses "Yes".
    Click(303, 211, true);
    EXPECT_EQ(EntryWindow(), nullptr);
    Click(303, 221);
    EXPECT_EQ(Normalized(CenterFreq), 1.0);

    // A right click on a knob opens a text field holding the value, all of
    // it selected: typing replaces it, Enter commits within a timer period.
    plugin->Handler().Clear();
    Click(181, 133, true);
    HWND field = EntryWindow();
    ASSERT_NE(field, nullptr);
    char className[16] = {};
    GetClassNameA(field, className, sizeof className);
    EXPECT_STRCASEEQ(className, "EDIT");
    EXPECT_EQ(GetFocus(), field);
    Type({'1', '2', VK_OEM_PERIOD, '5'});
    char typed[16] = {};
    GetWindowTextA(field, typed, sizeof typed);
    EXPECT_STREQ(typed, "12.5");
    Type({VK_RETURN});
    EXPECT_EQ(EntryWindow(), nullptr);
    EXPECT_NEAR(Plain(Binaural), 12.5, 1e-9);
    ExpectBracketedEdits(Binaural);
    // The field is gone from the screen, which shows the new value.
    PointerAway();
    EXPECT_EQ(Differences(), 0);

    // Text that is no number commits 0; a right click cancels.
    Click(185, 137, true);
    ASSERT_NE(EntryWindow(), nullptr);
    Type({'L', 'O', 'U', 'D', VK_RETURN});
    EXPECT_EQ(EntryWindow(), nullptr);
    EXPECT_EQ(Plain(Binaural), 0.0);
    Click(177, 129, true);
    ASSERT_NE(EntryWindow(), nullptr);
    Type({'3', '0'});
    Click(300, 20, true);
    EXPECT_EQ(EntryWindow(), nullptr);
    EXPECT_EQ(Plain(Binaural), 0.0);
}

// Hosts open and close editors over and over; nothing may pile up.
TEST_F(EditorWindowTest, OpeningAndClosingKeepsResourcesFlat) {
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ASSERT_EQ(view->removed(), kResultOk);
            ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
            Pump(i % 50 == 0 ? kTickMs : 0);
        }
    };
    cycle(20);
    const HANDLE process = GetCurrentProcess();
    const DWORD gdiBefore = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(process, &before, sizeof before);
    cycle(500);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(process, &after, sizeof after);
    EXPECT_LE(GetGuiResources(process, GR_GDIOBJECTS), gdiBefore + 2);
    EXPECT_LE(GetGuiResources(process, GR_USEROBJECTS), userBefore + 2);
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 4 * 1024 * 1024);
    editor = EditorWindowOf(host);
    ASSERT_NE(editor, nullptr);
}

// What careless hosts do: attach twice, remove twice, release a view with
// its window open, or a second view taking the window from the first.
TEST_F(EditorWindowTest, CarelessHostsNeitherCrashNorLeaveWindowsBehind) {
    ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
    EXPECT_EQ(EditorWindowOf(host), GetWindow(host, GW_CHILD));
    EXPECT_EQ(GetWindow(EditorWindowOf(host), GW_HWNDNEXT), nullptr);

    HWND otherHost = MakeHostWindow();
    IPtr<IPlugView> second = owned(plugin->Controller()->createView("editor"));
    ASSERT_TRUE(second);
    ASSERT_EQ(second->attached(otherHost, kPlatformTypeHWND), kResultOk);
    Pump(kTickMs);
    EXPECT_EQ(EditorWindowOf(host), nullptr);
    ASSERT_NE(EditorWindowOf(otherHost), nullptr);
    // The first view no longer holds the window: removing it keeps the second's.
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_NE(EditorWindowOf(otherHost), nullptr);
    // Released without removed(): the window goes with the view.
    second = nullptr;
    EXPECT_EQ(EditorWindowOf(otherHost), nullptr);
    DestroyWindow(otherHost);

    // Messages for a window that has closed find nothing to do.
    ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
    HWND old = EditorWindowOf(host);
    ASSERT_EQ(view->removed(), kResultOk);
    SendMessageA(old, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(181, 133));
    SendMessageA(old, WM_TIMER, 2, 0);
    Pump(kTickMs);

    // The plug-in destroyed with its window open (the view released last).
    ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
    plugin.reset();
    view = nullptr;
    EXPECT_EQ(EditorWindowOf(host), nullptr);
}

// Without a factor from the host the editor takes the parent's DPI (the
// default 96 here: 1.0); the host's factor then sizes the open window at once
// and has it repainted at the factor, where real input acts as at 1x, and a
// later DPI change gives way to it. The module
// carries every image's twins at 2x and 3x.
TEST_F(EditorWindowTest, TheWindowFollowsTheScaleFactor) {
    auto clientSize = [&] {
        RECT client{};
        GetClientRect(editor, &client);
        return std::make_pair(static_cast<int>(client.right), static_cast<int>(client.bottom));
    };
    ViewRect rect{};
    ASSERT_EQ(view->getSize(&rect), kResultOk);
    EXPECT_EQ(std::make_pair(rect.getWidth(), rect.getHeight()), std::make_pair(kWidth, kHeight));
    EXPECT_EQ(clientSize(), std::make_pair(kWidth, kHeight));

    const auto module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(editor, GWLP_HINSTANCE));
    for (int id : {200, 310}) {
        const std::unique_ptr<RAST_IBitmap> twin(RAST_DecodePNGResource(module, id));
        ASSERT_TRUE(twin) << id;
        EXPECT_EQ(twin->width(), id == 200 ? 2 * kWidth : 3 * 108) << id;
        EXPECT_EQ(twin->height(), id == 200 ? 2 * kHeight : 3 * 20) << id;
    }

    FUnknownPtr<IPlugViewContentScaleSupport> scale(view);
    ASSERT_TRUE(scale);
    SetWindowPos(host, nullptr, 0, 0, 2 * kWidth + 40, 2 * kHeight + 60,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(kTickMs);
    ASSERT_EQ(scale->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_EQ(clientSize(), std::make_pair(2 * kWidth, 2 * kHeight));
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(editor, &update, FALSE));
    EXPECT_EQ(update.right, 2 * kWidth);
    EXPECT_EQ(update.bottom, 2 * kHeight);
    PumpUntil([&] { return !GetUpdateRect(editor, nullptr, FALSE); });
    EXPECT_FALSE(GetUpdateRect(editor, nullptr, FALSE));
    PointerAway();
    EXPECT_EQ(Differences(2), 0);

    // Real input at 2x: 80 window pixels up "Binaural" turn it as 40 do at 1x.
    plugin->Handler().Clear();
    const double start = Normalized(Binaural);
    Drag(362, 266, 186);
    EXPECT_NEAR(Normalized(Binaural), start + 40.0 / 82.0 / 4.0, 1e-6);
    ExpectBracketedEdits(Binaural);
    // A right click opens the value field over the control's pixels (the 1x
    // field's box, 157, 125 to 205, 141, doubled); typing and Enter commit.
    plugin->Handler().Clear();
    Click(362, 266, true);
    HWND field = EntryWindow();
    ASSERT_NE(field, nullptr);
    RECT box{};
    GetWindowRect(field, &box);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(std::make_pair(box.left, box.top), std::make_pair(314L, 250L));
    EXPECT_EQ(std::make_pair(box.right, box.bottom), std::make_pair(410L, 282L));
    EXPECT_EQ(GetFocus(), field);
    Type({'1', '2', VK_OEM_PERIOD, '5', VK_RETURN});
    EXPECT_EQ(EntryWindow(), nullptr);
    EXPECT_NEAR(Plain(Binaural), 12.5, 1e-9);
    ExpectBracketedEdits(Binaural);
    PointerAway();
    EXPECT_EQ(Differences(2), 0);
    // The host's factor wins over the window's DPI.
    SendMessageA(editor, 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
    EXPECT_EQ(clientSize(), std::make_pair(2 * kWidth, 2 * kHeight));

    const HANDLE process = GetCurrentProcess();
    const DWORD gdiBefore = GetGuiResources(process, GR_GDIOBJECTS);
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(process, &before, sizeof before);
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(scale->setContentScaleFactor(i % 2 ? 1.0f : 1.5f), kResultTrue);
        Pump(i % 50 == 0 ? kTickMs : 0);
    }
    Pump(kTickMs);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(process, &after, sizeof after);
    EXPECT_EQ(clientSize(), std::make_pair(kWidth, kHeight));
    EXPECT_LE(GetGuiResources(process, GR_GDIOBJECTS), gdiBefore + 2);
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 4 * 1024 * 1024);
    EXPECT_EQ(Differences(), 0);
}

// Run in a process of its own by the test below, with the display at 192 DPI
// and the process aware of it: without a factor from the host, the editor
// takes twice its size from the parent window's DPI.
TEST(EditorWindowDpi, DISABLED_TheEditorTakesTheParentsDpi) {
    SetProcessDPIAware();
    auto plugin = NewInstance();
    ASSERT_NE(plugin, nullptr);
    IPtr<IPlugView> view = owned(plugin->Controller()->createView("editor"));
    ASSERT_TRUE(view);
    const HWND host = MakeHostWindow();
    ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
    ViewRect rect{};
    view->getSize(&rect);
    EXPECT_EQ(rect.getWidth(), 2 * kWidth);
    EXPECT_EQ(rect.getHeight(), 2 * kHeight);
    RECT client{};
    GetClientRect(EditorWindowOf(host), &client);
    EXPECT_EQ(client.right, 2 * kWidth);
    view->removed();
    DestroyWindow(host);
}

TEST(EditorWindowDpi, WithoutAHostFactorTheEditorFollowsTheSystemDpi) {
    // The system's DPI is read as a process starts: the case runs in a child.
    EXPECT_EQ(tonewell::wintest::RunCaseAtDpi(
                  "EditorWindowDpi.DISABLED_TheEditorTakesTheParentsDpi", 192),
              0u);
}
