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
    std::set<std::uint32_t> seen;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* words = static_cast<const std::uint32_t*>(bits);
        for (int y = 0; y < height; y += 2)
            for (int x = 0; x < width; x += 2)
                seen.insert(words[y * width + x] & 0xFFFFFFu);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return seen.size();
}

std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(MainWindowWin, ShowsTheEditorAndItsBarDrivesWhatPlays) {
    render::PluginSession session(TONEWELL_MODULE_PATH, "tonewell");
    ParameterChangeQueue queue;
    NoteQueue keyNotes;
    LivePlayer::Settings settings;
    settings.totalFrames = 90 * settings.sampleRate;
    LivePlayer player(session.Instance(), queue, render::SessionAutomation{}, settings);
    const int schumann = session.Programs().Resolve("Binaural - 7.83 (Schumann Resonance)");
    ProgramWindow::OutputMenu menu;
    menu.devices = {"Default output", "Speakers"};
    menu.rates = {44100, 48000};
    menu.rate = 1;
    menu.buffers = OutputSettings::BufferSizes();
    menu.buffer = 2;
    MainWindowWin window(session, player, queue, keyNotes, schumann, menu);
    const HWND bar = window.Handle();

    const HWND editor = GetWindow(window.EditorArea(), GW_CHILD);
    ASSERT_NE(editor, nullptr) << "no editor window in the editor's area";
    std::size_t colours = 0;
    PumpUntil([&] { return (colours = Colours(editor)) >= 50; }, 5000);
    EXPECT_GE(colours, 50u) << "the editor shows " << colours << " colours";
    RECT area{}, outer{};
    GetClientRect(window.EditorArea(), &area);
    GetClientRect(bar, &outer);
    EXPECT_GE(outer.bottom, area.bottom + 40) << "no room for the bar above the editor";

    // The transport's button stops the generator and starts it again.
    const HWND transport = GetDlgItem(bar, MainWindowWin::kTransportId);
    ASSERT_TRUE(player.Transport());
    SendMessageW(transport, BM_CLICK, 0, 0);
    EXPECT_FALSE(player.Transport());
    EXPECT_EQ(Text(transport), "Play");
    SendMessageW(transport, BM_CLICK, 0, 0);
    EXPECT_TRUE(player.Transport());
    EXPECT_EQ(Text(transport), "Stop");

    // A program chosen in the list goes to the processor and the editor.
    const HWND programs = GetDlgItem(bar, MainWindowWin::kProgramsId);
    EXPECT_EQ(SendMessageW(programs, CB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(session.Programs().Names().size()));
    EXPECT_EQ(window.ProgramShown(), schumann);
    int chosen = 0;
    while (session.ProgramValues(chosen) == session.ProgramValues(schumann))
        ++chosen;
    const auto programChange = session.Parameters().ProgramChangeId();
    ASSERT_TRUE(programChange.has_value());
    SendMessageW(programs, CB_SETCURSEL, chosen, 0);
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(MainWindowWin::kProgramsId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(programs));
    ParameterChangeQueue::Change change{};
    ASSERT_TRUE(queue.Pop(change));
    EXPECT_EQ(change.id, *programChange);
    EXPECT_DOUBLE_EQ(change.normalized, session.Programs().NormalizedValue(chosen));
    const auto& parameters = session.Parameters().Parameters();
    for (std::size_t i = 0; i < parameters.size(); ++i)
        EXPECT_NEAR(session.Instance().Controller()->getParamNormalized(parameters[i].id),
                    session.ProgramValues(chosen)[i], 1e-9)
            << i;

    window.Refresh();
    EXPECT_EQ(Text(GetDlgItem(bar, MainWindowWin::kPositionId)), "0:00 / 1:30");
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
    EXPECT_FALSE(window.OutputChosen().has_value());

    // An output chosen in the bar: the device and the rate as they stand,
    // the buffer chosen.
    const HWND buffers = GetDlgItem(bar, MainWindowWin::kBufferId);
    EXPECT_EQ(SendMessageW(buffers, CB_GETCURSEL, 0, 0), 2);
    SendMessageW(buffers, CB_SETCURSEL, 3, 0);
    SendMessageW(GetDlgItem(bar, MainWindowWin::kDeviceId), CB_SETCURSEL, 1, 0);
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(MainWindowWin::kBufferId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(buffers));
    ASSERT_TRUE(window.OutputChosen().has_value());
    EXPECT_EQ(window.OutputChosen()->device, "Speakers");
    EXPECT_EQ(window.OutputChosen()->rate, 48000u);
    EXPECT_EQ(window.OutputChosen()->buffer, 512u);
}

} // namespace
} // namespace tonewell::standalone
