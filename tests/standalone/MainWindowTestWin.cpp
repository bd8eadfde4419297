// The desktop program's Win32 window with the built module's editor, its bar
// driven with the window messages a user's clicks and keys send. Needs a
// display (under Wine, an X server).
#include <PluginInstance.h>
#include <PluginSession.h>
#include <SessionAutomation.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "LivePlayer.h"
#include "MainWindowWin.h"
#include "NoteQueue.h"
#include "ParameterChangeQueue.h"
#include "WindowTestSupportWin.h"
// After windows.h, which it builds on.
#include <commctrl.h>

namespace tonewell::standalone {
namespace {

template <typename Done> bool PumpUntil(Done done, DWORD ms) {
    for (const DWORD start = GetTickCount();; Sleep(5)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
}

// The distinct colours a window shows, every other pixel of every other row.
std::size_t Colours(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    const std::vector<std::uint32_t> pixels = wintest::CaptureWindow(window, width, height);
    std::set<std::uint32_t> seen;
    for (int y = 0; y < height && !pixels.empty(); y += 2)
        for (int x = 0; x < width; x += 2)
            seen.insert(pixels[static_cast<std::size_t>(y) * width + x]);
    return seen.size();
}

std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the window needs: the module, a player of 90 seconds and an output
// menu of two devices.
struct Program {
    Program() : player(session.Instance(), queue, render::SessionAutomation{}, Settings()) {
        menu.devices = {"Default output", "Speakers"};
        menu.rates = {44100, 48000};
        menu.rate = 1;
        menu.buffers = OutputSettings::BufferSizes();
        menu.buffer = 2;
    }
    static LivePlayer::Settings Settings() {
        LivePlayer::Settings settings;
        settings.totalFrames = 90 * settings.sampleRate;
        return settings;
    }
    render::PluginSession session{TONEWELL_MODULE_PATH, "tonewell"};
    ParameterChangeQueue queue;
    NoteQueue keyNotes;
    LivePlayer player;
    ProgramWindow::OutputMenu menu;
};

// The editor area's size, the bar's height above it and its font's height.
struct Measures {
    RECT area;
    int bar;
    int font;
};

Measures Measure(const MainWindowWin& window) {
    Measures measures{};
    GetClientRect(window.EditorArea(), &measures.area);
    POINT top{0, 0};
    MapWindowPoints(window.EditorArea(), window.Handle(), &top, 1);
    measures.bar = top.y;
    LOGFONTW font{};
    const HWND transport = GetDlgItem(window.Handle(), MainWindowWin::kTransportId);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(transport, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    measures.font = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    return measures;
}

TEST(MainWindowWin, ShowsTheEditorAndItsBarDrivesWhatPlays) {
    Program program;
    auto& [session, queue, keyNotes, player, menu] = program;
    const int schumann = session.Programs().Resolve("Binaural - 7.83 (Schumann Resonance)");
    std::vector<OutputSettings::Choice> switched;
    ProgramWindow::BarOptions options;
    options.switchOutput = [&](const OutputSettings::Choice& choice, OutputSettings::Choice&) {
        switched.push_back(choice);
        return std::string();
    };
    MainWindowWin window(session, player, queue, keyNotes, schumann, menu, options);
    const HWND bar = window.Handle();

    const HWND editor = GetWindow(window.EditorArea(), GW_CHILD);
    ASSERT_NE(editor, nullptr) << "no editor window in the editor's area";
    std::size_t colours = 0;
    PumpUntil([&] { return (colours = Colours(editor)) >= 50; }, 5000);
    EXPECT_GE(colours, 50u) << "the editor shows " << colours << " colours";
    // At 96 DPI the editor has its own size, the bar its 126 pixels.
    const auto measures = Measure(window);
    EXPECT_EQ(measures.area.right, 368);
    EXPECT_EQ(measures.area.bottom, 370);
    EXPECT_EQ(measures.bar, 126);
    EXPECT_EQ(measures.font, 11);

    // The transport's button stops the generator and starts it again.
    const HWND transport = GetDlgItem(bar, MainWindowWin::kTransportId);
    ASSERT_TRUE(player.Transport());
    SendMessageW(transport, BM_CLICK, 0, 0);
    EXPECT_FALSE(player.Transport());
    EXPECT_EQ(Text(transport), "Play");
    SendMessageW(transport, BM_CLICK, 0, 0);
    EXPECT_TRUE(player.Transport());
    EXPECT_EQ(Text(transport), "Stop");

    // A program chosen in the menu goes to the processor and the editor.
    const HWND programs = GetDlgItem(bar, MainWindowWin::kProgramsId);
    EXPECT_EQ(window.ProgramShown(), schumann);
    EXPECT_EQ(Text(programs).rfind("Binaural - 7.83 (Schumann Resonance)", 0), 0u);
    int chosen = 0;
    while (session.ProgramValues(chosen) == session.ProgramValues(schumann))
        ++chosen;
    const auto programChange = session.Parameters().ProgramChangeId();
    ASSERT_TRUE(programChange.has_value());
    SendMessageW(bar, WM_COMMAND, MainWindowWin::kProgramMenuId + chosen, 0);
    EXPECT_EQ(window.ProgramShown(), chosen);
    ParameterChangeQueue::Change change{};
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.id, *programChange);
    EXPECT_DOUBLE_EQ(change.normalized, session.Programs().NormalizedValue(chosen));
    const auto& parameters = session.Parameters().Parameters();
    for (std::size_t i = 0; i < parameters.size(); ++i)
        EXPECT_NEAR(session.Instance().Controller()->getParamNormalized(parameters[i].id),
                    session.ProgramValues(chosen)[i], 1e-9)
            << i;

    // Return in the search field chooses the one program its words name.
    const HWND search = GetDlgItem(bar, MainWindowWin::kSearchId);
    SetWindowTextW(search, L"schumann 14.3");
    SendMessageW(search, WM_KEYDOWN, VK_RETURN, 0);
    const int found = session.Programs().Resolve("Binaural - 14.3 (Schumann Resonance)");
    EXPECT_EQ(window.ProgramShown(), found);
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_DOUBLE_EQ(change.normalized, session.Programs().NormalizedValue(found));

    // The volume slider sets the gain after the instrument.
    const HWND volume = GetDlgItem(bar, MainWindowWin::kVolumeId);
    SendMessageW(volume, TBM_SETPOS, TRUE, 40);
    SendMessageW(bar, WM_HSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(volume));
    EXPECT_FLOAT_EQ(player.Listener().Volume(), 0.4f);

    // Moved to a monitor of 144 DPI, the window goes where Windows suggests
    // and its bar and font grow by half; a message without a rectangle
    // changes nothing.
    SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    EXPECT_EQ(Measure(window).bar, 126);
    RECT suggested{40, 30, 600, 900};
    SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT moved{};
    GetWindowRect(bar, &moved);
    EXPECT_EQ(moved.left, 40);
    EXPECT_EQ(moved.top, 30);
    EXPECT_EQ(Measure(window).bar, 189);
    EXPECT_EQ(Measure(window).font, 17);

    window.Refresh();
    EXPECT_EQ(Text(GetDlgItem(bar, MainWindowWin::kPositionId)), "0:00 / 1:30   played 0:00");
    EXPECT_EQ(Text(GetDlgItem(bar, MainWindowWin::kUnderrunsId)), "0 underruns");

    // Keys pressed in the editor play notes; closing ends the loop and
    // takes the editor out.
    PostMessageW(editor, WM_KEYDOWN, 'A', 1);
    PostMessageW(editor, WM_KEYUP, 'A', 0xC0000001);
    PostMessageW(bar, WM_CLOSE, 0, 0);
    window.Run([] { return false; });
    NoteQueue::Note note{};
    ASSERT_TRUE(keyNotes.Pop(note));
    EXPECT_TRUE(note.on);
    EXPECT_EQ(note.pitch, 60);
    ASSERT_TRUE(keyNotes.Pop(note));
    EXPECT_FALSE(note.on);
    EXPECT_EQ(GetWindow(window.EditorArea(), GW_CHILD), nullptr);
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_TRUE(switched.empty());

    // An output chosen in the bar plays on in the same window: the device
    // and the rate as they stand, the buffer chosen. Arrow keys through the
    // open list (selection changes alone) choose nothing; the list closed on
    // a choice does, once.
    const HWND buffers = GetDlgItem(bar, MainWindowWin::kBufferId);
    EXPECT_EQ(SendMessageW(buffers, CB_GETCURSEL, 0, 0), 2);
    SendMessageW(buffers, CB_SETCURSEL, 3, 0);
    SendMessageW(GetDlgItem(bar, MainWindowWin::kDeviceId), CB_SETCURSEL, 1, 0);
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(MainWindowWin::kBufferId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(buffers));
    EXPECT_TRUE(switched.empty());
    for (int twice = 0; twice < 2; ++twice)
        SendMessageW(bar, WM_COMMAND, MAKEWPARAM(MainWindowWin::kBufferId, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(buffers));
    ASSERT_EQ(switched.size(), 1u);
    EXPECT_EQ(switched[0].device, "Speakers");
    EXPECT_EQ(switched[0].rate, 48000u);
    EXPECT_EQ(switched[0].buffer, 512u);
}

// Run in a process of its own by the test below, with the display at 192
// DPI: the window declares itself aware of each monitor's DPI, and it and
// its editor take twice their size, the bar's font too.
TEST(MainWindowWinDpi, DISABLED_TheWindowTakesTheDisplaysDpi) {
    Program program;
    MainWindowWin window(program.session, program.player, program.queue, program.keyNotes, 0,
                         program.menu);
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    const auto measures = Measure(window);
    EXPECT_EQ(measures.area.right, 736);
    EXPECT_EQ(measures.area.bottom, 740);
    EXPECT_EQ(measures.bar, 252);
    EXPECT_EQ(measures.font, 22);
    // Taller than the test's screen, the window is not cut to it.
    RECT whole{};
    GetClientRect(window.Handle(), &whole);
    EXPECT_EQ(whole.bottom, measures.bar + 740);
    const HWND editor = GetWindow(window.EditorArea(), GW_CHILD);
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, 736);
    EXPECT_EQ(client.bottom, 740);
}

TEST(MainWindowWinDpi, AtADisplayOf192DpiTheWindowIsTwiceItsSize) {
    // The system's DPI is read as a process starts: the case runs in a child.
    EXPECT_EQ(wintest::RunCaseAtDpi("MainWindowWinDpi.DISABLED_TheWindowTakesTheDisplaysDpi", 192),
              0u);
}

} // namespace
} // namespace tonewell::standalone
