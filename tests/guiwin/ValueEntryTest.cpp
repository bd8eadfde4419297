// Typing a parameter value: the text field and the drop-down list, committed
// by Enter, a choice or a click, cancelled by a right click.
#include <cstdlib>

#include "WinTestSupport.h"

class ValueEntry : public EditorWindowFixture {
protected:
    ValueEntry() { Open(); }

    void Commit(int x, int y, const char* text) {
        RightClick(x, y);
        ASSERT_NE(Entry(), nullptr);
        SetWindowTextA(Entry(), text);
        SendMessageA(Entry(), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(EntryClosed()) << text;
    }
    HGDIOBJ FontOf(HWND entry) {
        return reinterpret_cast<HGDIOBJ>(SendMessageA(entry, WM_GETFONT, 0, 0));
    }
};

TEST_F(ValueEntry, TypedNumberCommitsOnEnterWithinATick) {
    RightClick(80, 25);
    const HWND entry = Entry();
    ASSERT_NE(entry, nullptr);
    char text[16] = {};
    GetWindowTextA(entry, text, sizeof text);
    EXPECT_STREQ(text, "25.00");
    EXPECT_EQ(GetFocus(), entry);
    const HGDIOBJ font = FontOf(entry);
    ASSERT_NE(font, nullptr);

    win->PromptParamEntry(steps, core.GetParam(GuiTestCore::kSteps), true);
    EXPECT_EQ(FindWindowExA(Window(), entry, nullptr, nullptr), nullptr) << "a second is ignored";

    // Repaints reach the knob around the entry but never cover it.
    level->colour = RAST_MakePixel(255, 250, 250, 0);
    level->MarkDirty(false);
    EXPECT_TRUE(Shows(62, 12, RGB(250, 250, 0)));
    EXPECT_NE(PixelAt(80, 25), RGB(250, 250, 0));

    // The text is all selected, so typing replaces it; Enter's character must not count.
    for (char c : {'5', '0'})
        SendMessageA(entry, WM_CHAR, static_cast<WPARAM>(c), 0);
    SendMessageA(entry, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(entry, WM_CHAR, '\r', 0);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(EntryClosed());
    EXPECT_LE(GetTickCount() - start, 3 * kPeriod);
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kLevel), 50.0);
    EXPECT_EQ(core.ended.back(), GuiTestCore::kLevel);
    EXPECT_EQ(GetObjectType(font), 0u) << "the entry's font is released";
}

TEST_F(ValueEntry, TextsCommitDisplayTextsNumbersOrZeroWithinTheRange) {
    core.GetParam(GuiTestCore::kSteps)->SetValueText(7, "Seven");
    const struct {
        int x, y;
        const char* text;
        int param;
        double plain;
    } cases[] = {{25, 75, "Seven", GuiTestCore::kSteps, 7.0},
                 {25, 75, "3.6 steps", GuiTestCore::kSteps, 4.0},
                 {25, 75, "many", GuiTestCore::kSteps, 0.0},
                 {80, 25, "1e3", GuiTestCore::kLevel, 100.0},
                 {80, 25, "-nan", GuiTestCore::kLevel, 0.0}};
    for (const auto& c : cases) {
        Commit(c.x, c.y, c.text);
        EXPECT_DOUBLE_EQ(Plain(c.param), c.plain) << c.text;
    }
}

TEST_F(ValueEntry, RightClickCancelsAClickCommitsAndClosingDrops) {
    RightClick(80, 25);
    SetWindowTextA(Entry(), "80");
    const size_t begun = core.begun.size();
    Send(WM_RBUTTONDOWN, MK_RBUTTON, 25, 75);
    ASSERT_TRUE(EntryClosed());
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kLevel), 25.0);
    EXPECT_EQ(core.begun.size(), begun) << "the cancelling click goes no further";

    RightClick(80, 25);
    SetWindowTextA(Entry(), "60");
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 25, 75);
    ASSERT_TRUE(EntryClosed());
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kLevel), 60.0);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 25, 65);
    Send(WM_LBUTTONUP, 0, 25, 65);
    EXPECT_GT(Plain(GuiTestCore::kSteps), 5.0);

    // Closing the window drops an open entry and its font, and sends nothing.
    RightClick(80, 25);
    const HWND entry = Entry();
    const HGDIOBJ font = FontOf(entry);
    win->CloseEditorWindow();
    EXPECT_FALSE(IsWindow(entry));
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_FALSE(level->ValueEntryPending());
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kLevel), 60.0);
}

TEST_F(ValueEntry, DropDownListCommitsTheChosenText) {
    RightClick(75, 72);
    const HWND list = Entry();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 2) << "Triangle, the current value";
    SendMessageA(list, WM_KEYDOWN, VK_HOME, 0); // the user moves to "Sine"
    ASSERT_TRUE(EntryClosed());
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kWave), 0.0);
}

TEST_F(ValueEntry, TheWindowAndTheEntryFollowTheScaleFactor) {
    ASSERT_TRUE(win->SetScaleFactor(2.0));
    RECT client{};
    GetClientRect(Window(), &client);
    EXPECT_EQ(client.right, 240);
    EXPECT_EQ(client.bottom, 200);

    // As a knob that hides its value text while the entry is open.
    level->SetValueEntryPending(true);
    win->PromptParamEntry(level, core.GetParam(GuiTestCore::kLevel), false);
    const HWND entry = Entry();
    ASSERT_NE(entry, nullptr);
    RECT box{};
    GetWindowRect(entry, &box);
    MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, 120);
    EXPECT_EQ(box.top, 20);
    EXPECT_EQ(box.right, 200);
    EXPECT_EQ(box.bottom, 80);
    LOGFONTA font{};
    ASSERT_NE(GetObjectA(FontOf(entry), sizeof font, &font), 0);
    EXPECT_EQ(std::abs(font.lfHeight), 28);

    // The entry lay at the old scale's pixels: it goes, sending nothing.
    ASSERT_TRUE(win->SetScaleFactor(1.0));
    EXPECT_FALSE(IsWindow(entry));
    EXPECT_FALSE(level->ValueEntryPending());
    EXPECT_DOUBLE_EQ(Plain(GuiTestCore::kLevel), 25.0);
    GetClientRect(Window(), &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 100);
}
