// The editor surface in a real X11 child window inside the window the host
// hands over (an X window id), drawn through its own XCB connection. The host's
// run loop drives it: the window offers the connection's file descriptor to
// watch (HandlePendingEvents turns X events into surface events) and a timer
// period (OnTimer finishes value entry, repaints the dirty union and counts
// down the delayed end of an edit, as the Windows window's timer does). Value
// entry is a text field drawn by the surface itself; enumerated parameters
// use the surface's popup menu. Everything runs on the host's UI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "EntryField.h"
#include "IGraphics.h"
#include "XKeyboardLinux.h"

struct xcb_connection_t;
struct xcb_button_press_event_t;
struct xcb_key_press_event_t;

class IGraphicsLinux : public IGraphics {
public:
    // Two presses of the left button this close in time (ms) and place
    // (pixels either way) make a double click, as the Windows defaults.
    static constexpr uint32_t kDoubleClickMs = 500;
    static constexpr int kDoubleClickDistance = 2;

    IGraphicsLinux(ICoreBase* plug, int width, int height, int fps = 0);
    // Closes an open window first; the core is not told (it may be half gone).
    ~IGraphicsLinux() override;

    bool PresentRegion(const IBounds& box) override;
    void Resize(int newWidth, int newHeight) override;
    bool HasOpenWindow() const override { return window != 0; }
    void PromptParamEntry(IControl* control, const IEngineParam* param, bool centred) override;
    // No file or colour dialogs here: both answer "cancelled".
    bool AskForFile(std::string& path, int action, const char* initialDir,
                    const char* extensions) override;
    bool AskForColour(IArgb& colour, const char* title) override;
    // Starts xdg-open with the address; false when it cannot be started. No
    // confirmation or error box exists here, so those texts are not shown.
    bool OpenLink(const char* url, const char* title, const char* confirmText,
                  const char* errorText) override;
    bool WheelFromHost(double delta) override;
    // parent is an X window id. Connects to the display of $DISPLAY and makes
    // the window; WindowHandle() stays null when the display, the parent or
    // the window cannot be had. An open window is closed and made anew in
    // the new parent at its old place.
    void OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;
    // The X window id as a pointer value; null when closed.
    void* WindowHandle() const override;

    // The host's run loop.
    int EventDescriptor() const override;
    int TimerPeriodMs() const override;
    void OnTimer() override;
    void HandlePendingEvents() override;

    // The open value entry, or null.
    const EntryField* Entry() const { return entry.get(); }

protected:
    // The window takes the new pixel size; the exposure repaints it.
    void ScaleFactorChanged() override;

private:
    // The connection and what the window holds on it.
    struct Display;

    // The window's area: the editor at the display scale.
    IBounds PixelBox() const { return IBounds{0, 0, PixelWidth(), PixelHeight()}; }
    // Sizes an open window to the editor's pixel size and has it repainted.
    void FitWindow();

    bool Connect(uint32_t parentWindow, int x, int y);
    // Dispatches events until none waits, then flushes (which may queue
    // more); readSocket reads the connection too, else only what libxcb
    // has queued already.
    void DispatchWaitingEvents(bool readSocket);
    // Ends every call from the host that did X I/O: the events our own
    // writes and round trips queued are handled, and the output sent.
    void FinishOutput();
    // event is an xcb_generic_event_t, whose type has no name to declare here.
    void Dispatch(const void* event);
    void ButtonPressed(const xcb_button_press_event_t& event);
    void ButtonReleased(const xcb_button_press_event_t& event);
    // Motion, and entering the window, without or with buttons held.
    void PointerMoved(int x, int y, uint16_t state);
    void PointerLeft();
    void KeyPressed(const xcb_key_press_event_t& event);
    void EntryKey(uint32_t symbol, uint16_t state);
    // Copies a box of the draw bitmap, with the entry over it, to the window;
    // beyond the editor, its last column and row drawn on.
    void PutArea(const IBounds& box);
    // Paints the box and every dirty control, each in its own box, and
    // presents them.
    void Repaint(const IBounds& box);
    // Presents what of an exposed area lies beyond the editor, in a window
    // the host made larger.
    void PresentBeyondEditor(const IBounds& area);
    // Presents the entry's area again after it changed.
    void ShowEntry();
    void Tick();
    // The keyboard is the editor's only while the value entry is open: it
    // takes the focus then, and gives it back to whoever had it when the
    // entry closes.
    void TakeFocus();
    void ReturnFocus();
    // Closes the entry, committing its text or not; the area it covered,
    // for the caller to repaint once the plug-in lock is given up.
    IBounds FinishEntry(bool commit);
    // Forgets the window; tellCore first ends a pending wheel edit and a held
    // press through the core; destroy asks the server to destroy it (not
    // when it is gone already or the connection broke).
    void ShutWindow(bool tellCore, bool destroy);
    void ConnectionLost();
    // Releases the connection and everything the window held on it.
    void Disconnect();

    std::unique_ptr<Display> display;
    uint32_t window = 0;
    uint32_t parent = 0;
    XKeyboardLinux keyboard;
    std::unique_ptr<EntryField> entry;
    // Pointer state: a press of ours holds the pointer (as the Windows
    // capture does) until release; mouse-over asked for leave tracking.
    bool captured = false;
    bool tracking = false;
    // Buttons (bit 0 left, bit 1 right) whose press reached the surface:
    // only their releases do.
    uint8_t pressedButtons = 0;
    uint32_t lastClickTime = 0;
    int lastClickX = 0, lastClickY = 0;
    bool lastClickCounts = false;
    IBounds exposed;
    bool holdingFocus = false;
    uint32_t focusBefore = 0;
    std::vector<uint32_t> rows;
};
