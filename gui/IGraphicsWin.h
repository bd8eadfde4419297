// The editor surface in a real Win32 child window inside the host's window: a
// timer drives repainting, mouse and key messages become surface events, a
// native text field or drop-down list takes typed parameter values, and the
// system's dialogs and web links are offered. Everything runs on the thread
// that owns the host's window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "IGraphics.h"

// Win32 handle types, declared as <windows.h> does under STRICT, so that this
// header does not pull in the whole API (and its DrawText macro).
struct HWND__;
struct HINSTANCE__;
struct HFONT__;

class IGraphicsWin : public IGraphics {
public:
    IGraphicsWin(ICoreBase* plug, int width, int height, int fps = 0);
    // Closes an open window first, so no message can reach a dead object.
    ~IGraphicsWin() override;

    // The plug-in module's instance handle: owner of the window class and the
    // image resources. Null stands for the program's own executable.
    void SetModule(void* instance);

    bool PresentRegion(const IBounds& box) override;
    void Resize(int newWidth, int newHeight) override;
    bool HasOpenWindow() const override { return window != nullptr; }
    void PromptParamEntry(IControl* control, const IEngineParam* param, bool centred) override;
    bool HostDirectory(std::string& out) override;
    bool ModuleDirectory(std::string& out) override;
    // action 1 saves, anything else opens; extensions are words such as "wav aif".
    bool AskForFile(std::string& path, int action, const char* initialDir,
                    const char* extensions) override;
    bool AskForColour(IArgb& colour, const char* title) override;
    bool OpenLink(const char* url, const char* title, const char* confirmText,
                  const char* errorText) override;
    bool WheelFromHost(double delta) override;
    // Opens the window as a child of parent (an HWND); an open window moves to
    // the new parent at its old place and size. WindowHandle() is null when
    // creation failed.
    void OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;
    void* WindowHandle() const override { return window; }
    std::unique_ptr<RAST_IBitmap> LoadImageResource(int id) override;
    // The parent window's DPI over 96 (96 where the system cannot say); 0
    // while closed. The listener hears of a change of DPI while open, and is
    // forgotten when the window closes.
    double SystemScaleFactor() const override;
    void SetSystemScaleListener(std::function<void(double)> listener) override;

    static constexpr int kTimerId = 2;
    static constexpr int kEntryId = 99;
    static constexpr const char* kWindowClass = "ICoreWndClass";

protected:
    // The window takes the new pixel size and repaints; an open entry is dropped.
    void ScaleFactorChanged() override;

private:
    // The window procedures, which reach the private state.
    struct Procedures;
    friend struct Procedures;

    // The timer's work: finish the entry, repaint what is dirty, count down
    // the delayed end of an edit.
    void Tick();
    // Forgets the window, destroying it unless it is being destroyed already;
    // tellCore first ends a pending wheel edit and a held press through the
    // core (not from the destructor: the core may be half gone by then).
    void ShutWindow(bool tellCore, bool destroy);
    // Ends the open entry, applying its text first when commit is set.
    void FinishEntry(bool commit);
    // Puts the entry's own procedure back, destroys it and its font, and
    // forgets it; the control hears nothing.
    void DestroyEntry();
    // Takes the entry's area out of the window's update region: the window
    // does not clip its children, and painting there would hide the entry.
    void ProtectEntry();
    bool ModulePathDirectory(HINSTANCE__* source, std::string& out) const;
    HINSTANCE__* Instance() const;
    // A layout box in window pixels.
    IBounds ToPixelBox(const IBounds& box) const;
    void DpiChanged();

    HINSTANCE__* module = nullptr;
    HWND__* window = nullptr;
    HWND__* entryWindow = nullptr;
    std::intptr_t entryOldProc = 0;
    HFONT__* entryFont = nullptr;
    // The colour dialog's 16 custom colours (COLORREF), made on first use.
    std::unique_ptr<unsigned long[]> customColours;
    HWND__* parent = nullptr;
    std::function<void(double)> systemScaleListener;
};
