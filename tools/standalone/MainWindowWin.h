#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <string>
#include <type_traits>
#include <windows.h>

#include "BarReadout.h"
#include "ComputerKeyboard.h"
#include "EditForwarder.h"
#include "ProgramGroups.h"
#include "ProgramWindow.h"

namespace tonewell::render {
class PluginSession;
}

namespace tonewell::standalone {

class LivePlayer;
class ParameterChangeQueue;

// The program's window (Win32): the instrument's own editor as a child of an
// area of ours, above it a bar of native controls: the transport's
// play/stop, the program menu (grouped) with a search field; the level
// meter, where a session stands, the time played, the sleep timer's time
// left and the underrun count; the master volume, the sleep timer, the
// channel check and the guide; the output's device, sample rate and buffer
// size. Everything runs on the thread that made it; parameter edits reach
// the audio callback through the queue.
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
        kSearchId,
        kVolumeId,
        kSleepId,
        kCheckId,
        kHelpId,
        // Program n of the program menu is command kProgramMenuId + n.
        kOpenSessionMenuId = 900,
        kProgramMenuId = 1000,
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

    void Run(std::function<bool()> stopRequested) override;
    int ProgramShown() const override;
    std::optional<std::string> SessionChosen() const override { return sessionChosen_; }
    int ProgramChosen() const override { return programChosen_; }

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
    // Pops the program menu up below its button.
    void OnProgramMenu();
    // Asks for a session file; once chosen, it plays next.
    void OnOpenSession();
    // Finds programs by the search field's words: one plays, several pop up.
    void OnSearch();
    // Sends program `index` to the controller and the processor, and shows it.
    void ChooseProgram(int index);
    // Shows program `index` (-1 for none) as the one chosen.
    void ShowProgram(int index);
    // A program's command from a menu; none for another command.
    std::optional<int> ProgramCommand(UINT_PTR command) const;
    // Pops `menu` up at the bottom left of `anchor`; the command chosen, 0 for none.
    UINT_PTR PopUp(HMENU menu, HWND anchor);
    void OnOutput();
    void OnSleep();
    static LRESULT CALLBACK SearchProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
    // Lays the bar and the editor area out for an editor of this size, at
    // the window's DPI.
    void Layout(int editorWidth, int editorHeight);
    // The bar's font at the window's DPI.
    void MakeFont();
    // The window moved to a monitor of `dpi`; `suggested`: where Windows
    // would have it.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
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
    HWND findLabel_ = nullptr;
    HWND search_ = nullptr;
    HWND meter_ = nullptr;
    HWND position_ = nullptr;
    HWND underruns_ = nullptr;
    HWND volume_ = nullptr;
    HWND sleep_ = nullptr;
    HWND device_ = nullptr;
    HWND rate_ = nullptr;
    HWND buffer_ = nullptr;
    OutputMenu output_;
    // The output lists' selections in play, so that a list closed on the
    // same choice changes nothing.
    int deviceShown_ = 0;
    int rateShown_ = 0;
    int bufferShown_ = 0;
    BarOptions bar_;
    ProgramGroups groups_;
    int program_ = -1;
    // The sleep list's choices in seconds; 0 for off.
    std::vector<double> sleepChoices_;
    BarReadout readout_;
    // The player reached its end and the window stays.
    bool ended_ = false;
    std::optional<std::string> sessionChosen_;
    int programChosen_ = -1;
    // The SBaGen tone-set's name the program button shows.
    std::string toneSetShown_;
    bool quit_ = false;
    std::function<bool()> stopRequested_;
};

} // namespace tonewell::standalone
