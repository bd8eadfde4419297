// The editor window driven through real Win32 messages, as a child of a
// visible window of the test's own. Needs a display (under Wine, an X server).
#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <windows.h>

#include "../gui/GuiTestSupport.h"
#include "IGraphicsWin.h"
#include "IKnobControl.h"
#include "ISwitchControl.h"

class SolidKnob : public IKnobControl {
public:
    SolidKnob(ICoreBase* plug, const IBounds& bounds, int paramIndex)
        : IKnobControl(plug, bounds, paramIndex, kVertical, 1.0) {}
    bool Paint(IGraphics& graphics) override {
        const IBounds clip = bounds.Intersect(graphics.DrawBounds());
        if (!clip.IsEmpty())
            RAST_FillRectangle(graphics.DrawBitmap(), clip.left, clip.top, clip.W(), clip.H(),
                               colour, 1.0f, RAST_MODE_COPY);
        return true;
    }
    Pixel colour = RAST_MakePixel(255, 40, 160, 40);
};

class WheelLogControl : public EventControl {
public:
    using EventControl::EventControl;
    void MouseWheel(int, int, const IMouseKeys&, double delta) override {
        events.push_back("wheel " + std::to_string(static_cast<int>(delta)));
    }
};

// Runs the thread's messages until done() holds or ms milliseconds pass.
template <typename Done> bool PumpUntil(Done done, DWORD ms) {
    for (const DWORD start = GetTickCount();; Sleep(1)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
}

inline bool ClassRegistered() {
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), IGraphicsWin::kWindowClass, &info) != 0;
}

// A visible top-level window standing in for the host's.
inline HWND MakeHostWindow() {
    static const ATOM atom = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GuiWinTestHost";
        return RegisterClassA(&wc);
    }();
    return CreateWindowExA(0, MAKEINTATOM(atom), "host", WS_POPUP | WS_VISIBLE, 40, 40, 300, 240,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A 120 x 100 surface at 30 frames per second, attached to the core: a grey
// background, a red box, knobs on the continuous and the integer parameter,
// and a switch on the enumerated one.
class EditorWindowFixture : public ::testing::Test {
protected:
    static constexpr DWORD kPeriod = 1000 / 30;

    EditorWindowFixture() : strip(4, 10, false) {
        auto owned = std::make_unique<IGraphicsWin>(&core, 120, 100, 30);
        win = owned.get();
        win->SetModule(GetModuleHandleA(nullptr));
        win->AddControl(std::make_unique<SolidControl>(&core, IBounds{0, 0, 120, 100}, -1,
                                                       RAST_MakePixel(255, 90, 90, 90)));
        red = Add<WheelLogControl>(IBounds{10, 10, 40, 40});
        level = Add<SolidKnob>(IBounds{60, 10, 100, 40}, GuiTestCore::kLevel);
        steps = Add<SolidKnob>(IBounds{10, 60, 40, 90}, GuiTestCore::kSteps);
        Add<ISwitchControl>(70, 70, GuiTestCore::kWave, strip.image);
        core.AttachEditor(std::move(owned));
    }
    ~EditorWindowFixture() override { win->CloseEditorWindow(); }

    template <typename Control, typename... Args> Control* Add(Args&&... args) {
        auto control = std::make_unique<Control>(&core, std::forward<Args>(args)...);
        Control* raw = control.get();
        win->AddControl(std::move(control));
        return raw;
    }

    // One host window serves all tests: without a window manager Wine takes
    // seconds to take a top-level window down.
    static HWND Host() {
        static const HWND host = MakeHostWindow();
        return host;
    }
    HWND Open(HWND parent = Host()) {
        win->OpenEditorWindow(parent);
        return Window();
    }
    HWND Window() const { return static_cast<HWND>(win->WindowHandle()); }
    HWND Entry() const { return GetDlgItem(Window(), IGraphicsWin::kEntryId); }

    LRESULT Send(UINT msg, WPARAM wParam, int x, int y) {
        return SendMessageA(Window(), msg, wParam, MAKELPARAM(x, y));
    }
    void RightClick(int x, int y) {
        Send(WM_RBUTTONDOWN, MK_RBUTTON, x, y);
        Send(WM_RBUTTONUP, 0, x, y);
    }
    POINT ScreenPoint(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(Window(), &p);
        return p;
    }
    COLORREF PixelAt(int x, int y) const {
        const HDC dc = GetDC(Window());
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(Window(), dc);
        return colour;
    }
    bool Shows(int x, int y, COLORREF colour) {
        return PumpUntil([&] { return PixelAt(x, y) == colour; }, 6 * kPeriod);
    }
    bool EntryClosed() {
        return PumpUntil([this] { return Entry() == nullptr; }, 4 * kPeriod);
    }
    double Plain(int param) { return core.GetParam(param)->PlainValue(); }

    GuiTestCore core;
    Strip strip;
    IGraphicsWin* win = nullptr;
    WheelLogControl* red = nullptr;
    SolidKnob* level = nullptr;
    SolidKnob* steps = nullptr;
};
