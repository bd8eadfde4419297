// The editor window's life, painting, and pointer, key and wheel messages.
#include <string>
#include <vector>

#include "WinTestSupport.h"

// psapi.h needs the types of windows.h before it.
// clang-format off
#include <psapi.h>
// clang-format on

using EditorWindow = EditorWindowFixture;
using Events = std::vector<std::string>;

TEST_F(EditorWindow, OpensAChildThatPaintsTheControlsAndRepaintsDirtyOnes) {
    const HWND hwnd = Open();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetParent(hwnd), Host());
    EXPECT_TRUE(ClassRegistered());
    EXPECT_TRUE(Shows(25, 25, RGB(200, 40, 40)));
    EXPECT_TRUE(Shows(110, 50, RGB(90, 90, 90)));
    red->colour = RAST_MakePixel(255, 10, 20, 250);
    red->MarkDirty(false);
    EXPECT_TRUE(Shows(25, 25, RGB(10, 20, 250)));

    win->CloseEditorWindow();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(ClassRegistered());
}

TEST_F(EditorWindow, PointerKeyAndWheelMessagesReachTheControls) {
    Open();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 80, 30);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 80, 20);
    Send(WM_LBUTTONUP, 0, 80, 20);
    EXPECT_EQ(core.begun, std::vector<int>{GuiTestCore::kLevel});
    EXPECT_EQ(core.ended, std::vector<int>{GuiTestCore::kLevel});
    EXPECT_FALSE(core.edits.empty());
    EXPECT_GT(Plain(GuiTestCore::kLevel), 25.0);

    // Keys go to the control under the pointer; keys outside the table nowhere.
    const POINT over = ScreenPoint(25, 25);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    for (WPARAM key : {WPARAM{'A'}, WPARAM{'7'}, WPARAM{VK_SPACE}, WPARAM{VK_F5}})
        SendMessageA(Window(), WM_KEYDOWN, key, 0);
    // Wheel units of 120 make a notch; the rest is dropped.
    for (int units : {240, -60, -360})
        SendMessageA(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, units), MAKELPARAM(over.x, over.y));
    EXPECT_TRUE(win->WheelFromHost(2.9));
    ASSERT_TRUE(SetCursorPos(5, 5));
    EXPECT_FALSE(win->WheelFromHost(1.0));
    EXPECT_EQ(red->events,
              (Events{"key 16", "key 13", "key 0", "wheel 2", "wheel 0", "wheel -3", "wheel 2"}));
}

TEST_F(EditorWindow, EditsEndAfterTheWheelCountdownOrAtClose) {
    Open();
    const POINT over = ScreenPoint(80, 25);
    auto wheel = [&] {
        SendMessageA(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(over.x, over.y));
    };
    wheel();
    EXPECT_TRUE(core.ended.empty());
    EXPECT_TRUE(PumpUntil([&] { return !core.ended.empty(); }, 30 * kPeriod));
    wheel();
    win->CloseEditorWindow();
    EXPECT_EQ(core.ended, (std::vector<int>{GuiTestCore::kLevel, GuiTestCore::kLevel}));

    // So does a press still held.
    Open();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 25, 75);
    win->CloseEditorWindow();
    EXPECT_EQ(core.ended.back(), GuiTestCore::kSteps);
    EXPECT_EQ(core.ended.size(), 3u);
}

TEST_F(EditorWindow, ClassIsRegisteredWhileAnyWindowIsOpen) {
    win->OpenEditorWindow(nullptr);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_FALSE(ClassRegistered()) << "a failed creation undoes the registration";

    const HWND otherHost = MakeHostWindow();
    auto second = std::make_unique<IGraphicsWin>(&core, 50, 50, 30);
    second->PrepareDrawing();
    const HWND first = Open();
    second->OpenEditorWindow(otherHost);
    const HWND other = static_cast<HWND>(second->WindowHandle());
    win->CloseEditorWindow();
    EXPECT_TRUE(ClassRegistered());
    EXPECT_TRUE(IsWindow(other));
    EXPECT_FALSE(IsWindow(first));
    second.reset();
    EXPECT_FALSE(IsWindow(other)) << "a surface deleted with its window open closes it";
    EXPECT_FALSE(ClassRegistered());

    // A host that destroys its window first leaves the editor closed and the count right.
    Open(otherHost);
    DestroyWindow(otherHost);
    EXPECT_FALSE(win->HasOpenWindow());
    ASSERT_NE(Open(), nullptr);
    win->CloseEditorWindow();
    EXPECT_FALSE(ClassRegistered());
}

TEST_F(EditorWindow, ClosedOrMissingWindowIsHarmlessAndFoldersAreKnown) {
    win->CloseEditorWindow();
    std::string path = "C:\\a.wav";
    EXPECT_FALSE(win->AskForFile(path, 0, nullptr, "wav"));
    EXPECT_TRUE(path.empty());
    IArgb colour{255, 1, 2, 3};
    EXPECT_FALSE(win->AskForColour(colour, "Colour"));
    win->PromptParamEntry(level, core.GetParam(GuiTestCore::kLevel), true);

    const HWND hwnd = Open();
    const auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    win->CloseEditorWindow();
    win->CloseEditorWindow();
    for (UINT msg : {UINT{WM_TIMER}, UINT{WM_LBUTTONDOWN}, UINT{WM_PAINT}})
        CallWindowProcA(procedure, hwnd, msg, msg == WM_TIMER ? 2 : MK_LBUTTON, MAKELPARAM(80, 25));
    EXPECT_TRUE(core.begun.empty());

    std::string host;
    ASSERT_TRUE(win->HostDirectory(host));
    EXPECT_EQ(host.back(), '\\');
    EXPECT_NE(GetFileAttributesA((host + "gui_win_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EditorWindow, OpeningAndClosingManyTimesLeaksNothing) {
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            Open();
            win->PromptParamEntry(level, core.GetParam(GuiTestCore::kLevel), true);
            win->CloseEditorWindow();
        }
        PumpUntil([] { return false; }, kPeriod);
    };
    auto usage = [] {
        PROCESS_MEMORY_COUNTERS_EX counters{};
        GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        // Wine counts no GUI objects (0 both times); Windows does.
        return std::vector<SIZE_T>{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                                   GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
                                   counters.PrivateUsage / (256 * 1024)};
    };
    cycle(20);
    const std::vector<SIZE_T> before = usage();
    cycle(500);
    const std::vector<SIZE_T> after = usage();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_LE(after[i], before[i] + 1) << "GDI objects, USER objects, memory in 256 KiB";
    EXPECT_EQ(GetWindow(Host(), GW_CHILD), nullptr) << "no window left behind";
}
