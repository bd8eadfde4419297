#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <string>
#include <type_traits>
#include <windows.h>

#include "ComputerKeyboard.h"
#include "EditForwarder.h"
#include "ProgramWindow.h"

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::standalone {

class LivePlayer;
class ParameterChangeQueue;

// The program's window (Win32): the instrument's own editor as a child of an
// area of ours, above it a bar of native controls: the transport's
// play/stop, the program list, the level meter, where a session stands, the
// underrun count, and the output's device, sample rate and buffer size. Everything runs on the
// thread that made it; parameter edits reach the audio callback through the queue.
class MainWindowWin : public ProgramWindow {
public:
    // The bar's controls, found with GetDlgItem on Handle().
    enum ControlId : int {
        kTransportId = 101,
        kProgramsId,
        kMeterId,
        kPositionId,
        kUnderrunsId,
        kDeviceId,
        kRateId,
        kBufferId,
    };

    // Shows the window with the editor attached. Throws PlayError when the
    // editor cannot open. `program`: the list's selection, -1 for none. Keys
    // pressed in the window play notes into `keyNotes`; `output` fills the
    // output lists.
    MainWindowWin(render::PluginSession& session, LivePlayer& player, ParameterChangeQueue& queue,
                  NoteQueue& keyNotes, int program, const OutputMenu& output,
                  const BarOptions& bar = {});
    // Detaches the editor and destroys the window.
    ~MainWindowWin() override;
    MainWindowWin(const MainWindowWin&) = delete;
    MainWindowWin& operator=(const MainWindowWin&) = delete;

    // Serves the window until it is closed, the player has finished, or
    // `stopRequested` answers true (asked a few times a second).
    void Run(std::function<bool()> stopRequested) override;
    std::optional<OutputSettings::Choice> OutputChosen() const override { return outputChosen_; }
    int ProgramShown() const override;

    HWND Handle() const { return window_; }
    // The area the editor's own window is a child of.
    HWND EditorArea() const { return area_; }
    // Brings the bar up to date with the player, as the timer does.
    void Refresh();
    // True when the program has a console of its own that nobody typed
    // into: it was started from a menu or Explorer, not a terminal. The
    // window hides that console.
    static bool StartedFromMenu();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // A key for the whole window plays a note; true when it did.
    bool PlayKey(const MSG& msg);
    void OnTransport();
    void OnProgram();
    void OnOutput();
    // Lays the bar and the editor area out for an editor of this size, at
    // the window's DPI.
    void Layout(int editorWidth, int editorHeight);
    // The bar's font at the window's DPI.
    void MakeFont();
    // The window moved to a monitor of `dpi`; `suggested`: where Windows
    // would have it.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void SetText(HWND control, std::string& shown, const std::string& text);
    void Detach();
    void Quit();

    render::PluginSession& session_;
    LivePlayer& player_;
    ParameterChangeQueue& queue_;
    NoteQueue& keyNotes_;
    ComputerKeyboard keyboard_;
    Steinberg::IPtr<EditForwarder> forwarder_;
    Steinberg::IPtr<Steinberg::IPlugFrame> frame_;
    Steinberg::IPtr<Steinberg::IPlugView> view_;
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
    // Destroyed after the window whose controls use it.
    FontHandle font_;
    UINT dpi_ = 96;
    int editorWidth_ = 0;
    int editorHeight_ = 0;
    // The window's outer size for the editor and the bar, which the screen's
    // size must not cap.
    int outerWidth_ = 0;
    int outerHeight_ = 0;
    HWND window_ = nullptr;
    HWND area_ = nullptr;
    HWND transport_ = nullptr;
    HWND programs_ = nullptr;
    HWND meter_ = nullptr;
    HWND position_ = nullptr;
    HWND underruns_ = nullptr;
    HWND device_ = nullptr;
    HWND rate_ = nullptr;
    HWND buffer_ = nullptr;
    OutputMenu output_;
    BarOptions bar_;
    std::optional<OutputSettings::Choice> outputChosen_;
    // What the bar shows, so that only changes repaint it.
    int meterShown_ = -1;
    std::string positionShown_;
    std::string underrunsShown_;
    bool quit_ = false;
    std::function<bool()> stopRequested_;
};

} // namespace tonewell::standalone
