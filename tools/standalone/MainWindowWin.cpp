#include "MainWindowWin.h"

#include <PluginSession.h>
#include <algorithm>
#include <cmath>
#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <string>

#include "EditorPlugFrame.h"
#include "ListeningGuide.h"
#include "LivePlayer.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"
#include "WideTextWin.h"

namespace tonewell::standalone {

using namespace Steinberg;

namespace {

constexpr const wchar_t* kWindowClass = L"TonewellMainWindow";
constexpr const wchar_t* kAreaClass = L"TonewellEditorArea";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = BarReadout::kRefreshMs;
constexpr int kDefaultDpi = 96;
// The bar at 96 DPI: four rows of controls above the editor.
constexpr int kMargin = 6;
constexpr int kRowHeight = 24;
constexpr int kBarHeight = 5 * kMargin + 4 * kRowHeight;
// Narrower editors still get a usable bar.
constexpr int kMinWidth = 320;
// The sleep list's choices, in minutes; 0 is off.
constexpr int kSleepMinutes[] = {0, 15, 30, 60, 90};
// The most programs a search offers in its menu.
constexpr std::size_t kMostMatches = 40;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

template <typename Proc> Proc User32(const char* name) {
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// Per-monitor aware (v2 from Windows 10 1703 on, else v1, else aware of
// the system's DPI on older systems): Windows then neither stretches nor
// blurs the window; the bar and the editor draw at the monitor's DPI.
void BecomeDpiAware() {
    using SetContextProc = BOOL(WINAPI*)(HANDLE);
    static const auto setContext = User32<SetContextProc>("SetProcessDpiAwarenessContext");
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then its first version.
    for (const INT_PTR context : {-4, -3})
        if (setContext && setContext(reinterpret_cast<HANDLE>(context))) return;
    SetProcessDPIAware();
}

UINT WindowDpi(HWND window) {
    using GetDpiProc = UINT(WINAPI*)(HWND);
    static const auto getDpi = User32<GetDpiProc>("GetDpiForWindow");
    if (const UINT dpi = getDpi ? getDpi(window) : 0) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi > 0 ? dpi : kDefaultDpi);
}

// The outer size of a window whose client area is `client`, with the
// caption and borders of that DPI.
void AdjustForDpi(RECT& client, UINT dpi) {
    using AdjustProc = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = User32<AdjustProc>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&client, kWindowStyle, FALSE, 0, dpi))
        AdjustWindowRectEx(&client, kWindowStyle, FALSE, 0);
}

void RegisterClasses(HINSTANCE module) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    if (!GetClassInfoExW(module, kWindowClass, &info)) {
        info = WNDCLASSEXW{};
        info.cbSize = sizeof info;
        info.lpfnWndProc = DefWindowProcW;
        info.hInstance = module;
        info.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        info.lpszClassName = kWindowClass;
        // The program's icon (resource 1), in the caption and the task bar.
        info.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
        info.hIconSm = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
        RegisterClassExW(&info);
    }
    if (!GetClassInfoExW(module, kAreaClass, &info)) {
        info = WNDCLASSEXW{};
        info.cbSize = sizeof info;
        info.lpfnWndProc = DefWindowProcW;
        info.hInstance = module;
        info.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        info.lpszClassName = kAreaClass;
        RegisterClassExW(&info);
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

} // namespace

bool MainWindowWin::StartedFromMenu() {
    DWORD processes[2];
    return GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1 &&
           GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
}

MainWindowWin::MainWindowWin(render::PluginSession& session, LivePlayer& player,
                             ParameterChangeQueue& queue, NoteQueue& keyNotes, int program,
                             const OutputMenu& output, const BarOptions& bar)
    : session_(session), player_(player), queue_(queue), keyNotes_(keyNotes), output_(output),
      deviceShown_(output.device), rateShown_(output.rate), bufferShown_(output.buffer), bar_(bar),
      groups_(session.Programs().Names()) {
    auto* controller = session_.Instance().Controller();
    view_ = owned(controller->createView(Vst::ViewType::kEditor));
    if (!view_ || view_->isPlatformTypeSupported(kPlatformTypeHWND) != kResultTrue)
        throw PlayError("the instrument has no editor for Windows; --no-window plays without one");
    ViewRect size;
    if (view_->getSize(&size) != kResultOk || size.getWidth() <= 0 || size.getHeight() <= 0)
        throw PlayError("the instrument's editor has no size");

    BecomeDpiAware();
    const HINSTANCE module = GetModuleHandleW(nullptr);
    RegisterClasses(module);
    window_ =
        CreateWindowExW(0, kWindowClass, L"Tonewell", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        kMinWidth, kBarHeight, nullptr, nullptr, module, nullptr);
    if (!window_)
        throw PlayError("cannot open a window (no desktop to show it on); --no-window plays "
                        "without one");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(&MainWindowWin::WindowProc));
    dpi_ = WindowDpi(window_);
    MakeFont();

    const auto child = [&](const wchar_t* type, const wchar_t* text, DWORD style, int id) {
        HWND control =
            CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return control;
    };
    transport_ =
        child(L"BUTTON", L"Stop", WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE, kTransportId);
    SendMessageW(transport_, BM_SETCHECK, player_.Transport() ? BST_CHECKED : BST_UNCHECKED, 0);
    SetWindowTextW(transport_, player_.Transport() ? L"Stop" : L"Play");
    // The chosen program's name, cut short by the button; the menu shows
    // the names whole.
    programs_ = child(L"BUTTON", L"", WS_TABSTOP | BS_PUSHBUTTON | BS_LEFT, kProgramsId);
    search_ = child(L"EDIT", L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kSearchId);
    findLabel_ = child(L"STATIC", L"Find", SS_RIGHT | SS_CENTERIMAGE, 0);
    SetWindowSubclass(search_, &MainWindowWin::SearchProc, 1, reinterpret_cast<DWORD_PTR>(this));
    const bool programChange = session_.Parameters().ProgramChangeId().has_value();
    EnableWindow(programs_, programChange);
    EnableWindow(search_, programChange);
    meter_ = child(PROGRESS_CLASSW, L"", PBS_SMOOTH, kMeterId);
    SendMessageW(meter_, PBM_SETRANGE32, 0, 100);
    position_ = child(L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_ENDELLIPSIS, kPositionId);
    underruns_ = child(L"STATIC", L"", SS_RIGHT | SS_CENTERIMAGE, kUnderrunsId);
    volume_ = child(TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, kVolumeId);
    SendMessageW(volume_, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageW(volume_, TBM_SETPOS, TRUE,
                 static_cast<LPARAM>(std::lround(player_.Listener().Volume() * 100.f)));
    sleep_ = child(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kSleepId);
    for (const int minutes : kSleepMinutes) {
        sleepChoices_.push_back(minutes * 60.0);
        SendMessageW(
            sleep_, CB_ADDSTRING, 0,
            reinterpret_cast<LPARAM>(
                Wide(minutes == 0 ? "Sleep off" : "Sleep " + std::to_string(minutes) + " min")
                    .c_str()));
    }
    WPARAM sleepShown = 0;
    if (bar_.sleepSeconds > 0.0) {
        sleepShown = sleepChoices_.size();
        sleepChoices_.push_back(bar_.sleepSeconds);
        SendMessageW(sleep_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(
                         Wide("Sleep " + BarReadout::Clock(bar_.sleepSeconds)).c_str()));
        player_.Listener().SetSleep(bar_.sleepSeconds);
    }
    SendMessageW(sleep_, CB_SETCURSEL, sleepShown, 0);
    child(L"BUTTON", L"Left / Right", WS_TABSTOP | BS_PUSHBUTTON, kCheckId);
    child(L"BUTTON", L"Help", WS_TABSTOP | BS_PUSHBUTTON, kHelpId);
    const auto list = [&](int id, const std::vector<std::string>& items, int selected,
                          const wchar_t* name) {
        HWND control = child(L"COMBOBOX", name, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id);
        for (const auto& item : items)
            SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
        return control;
    };
    std::vector<std::string> rates, buffers;
    for (const unsigned int rate : output_.rates)
        rates.push_back(std::to_string(rate) + " Hz");
    for (const unsigned int buffer : output_.buffers)
        buffers.push_back(std::to_string(buffer) + " frames");
    device_ = list(kDeviceId, output_.devices, output_.device, L"Output device");
    rate_ = list(kRateId, rates, output_.rate, L"Sample rate");
    buffer_ = list(kBufferId, buffers, output_.buffer, L"Buffer size");
    area_ =
        CreateWindowExW(0, kAreaClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, kBarHeight,
                        size.getWidth(), size.getHeight(), window_, nullptr, module, nullptr);
    Layout(size.getWidth(), size.getHeight());
    ShowProgram(program);
    Refresh();

    try {
        if (!area_) throw PlayError("cannot make a window for the editor");
        // Edits made in the editor go to the processor as a DAW sends them.
        forwarder_ = EditForwarder::Create(queue_);
        controller->setComponentHandler(forwarder_);
        frame_ = EditorPlugFrame::Create([this](int width, int height) { Layout(width, height); });
        view_->setFrame(frame_);
        // An empty console beside the window would only puzzle.
        if (StartedFromMenu()) ShowWindow(GetConsoleWindow(), SW_HIDE);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        if (view_->attached(area_, kPlatformTypeHWND) != kResultOk) {
            view_->setFrame(nullptr);
            view_ = nullptr;
            throw PlayError("the instrument's editor did not open in the window");
        }
    } catch (...) {
        if (forwarder_) controller->setComponentHandler(nullptr);
        DestroyWindow(window_);
        throw;
    }
}

MainWindowWin::~MainWindowWin() {
    Detach();
    // The controller outlives the window: it must not call a handler that
    // forwards into a queue nobody reads.
    if (forwarder_) session_.Instance().Controller()->setComponentHandler(nullptr);
    if (window_) {
        KillTimer(window_, kTickTimer);
        DestroyWindow(window_);
    }
}

void MainWindowWin::Run(std::function<bool()> stopRequested) {
    stopRequested_ = std::move(stopRequested);
    quit_ = false;
    SetTimer(window_, kTickTimer, kTickMs, nullptr);
    MSG msg;
    while (!quit_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PlayKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(window_, kTickTimer);
}

void MainWindowWin::Layout(int editorWidth, int editorHeight) {
    editorWidth_ = editorWidth;
    editorHeight_ = editorHeight;
    // The bar's measures are for 96 DPI; the window's DPI scales them.
    const auto scaled = [this](int pixels) {
        return MulDiv(pixels, static_cast<int>(dpi_), kDefaultDpi);
    };
    const int margin = scaled(kMargin), rowHeight = scaled(kRowHeight);
    const int barHeight = scaled(kBarHeight);
    const int width = std::max(editorWidth, scaled(kMinWidth));
    const auto rowTop = [&](int row) { return margin + row * (margin + rowHeight); };
    const int transportWidth = scaled(64), searchWidth = scaled(64), findWidth = scaled(24);
    // A drop-down list's height includes its open list.
    const int dropHeight = scaled(320);
    MoveWindow(transport_, margin, margin, transportWidth, rowHeight, TRUE);
    const int listLeft = 2 * margin + transportWidth;
    MoveWindow(programs_, listLeft, margin, width - listLeft - 3 * margin - findWidth - searchWidth,
               rowHeight, TRUE);
    MoveWindow(findLabel_, width - 2 * margin - findWidth - searchWidth, margin, findWidth,
               rowHeight, TRUE);
    MoveWindow(search_, width - margin - searchWidth, margin, searchWidth, rowHeight, TRUE);
    const int meterWidth = scaled(70), underrunsWidth = scaled(84);
    MoveWindow(meter_, margin, rowTop(1) + scaled(5), meterWidth, rowHeight - scaled(10), TRUE);
    MoveWindow(position_, 2 * margin + meterWidth, rowTop(1),
               width - 4 * margin - meterWidth - underrunsWidth, rowHeight, TRUE);
    MoveWindow(underruns_, width - margin - underrunsWidth, rowTop(1), underrunsWidth, rowHeight,
               TRUE);
    const int sleepWidth = scaled(100), checkWidth = scaled(76), helpWidth = scaled(44);
    const int volumeWidth = width - 5 * margin - sleepWidth - checkWidth - helpWidth;
    MoveWindow(volume_, margin, rowTop(2), volumeWidth, rowHeight, TRUE);
    int left = 2 * margin + volumeWidth;
    MoveWindow(sleep_, left, rowTop(2), sleepWidth, dropHeight, TRUE);
    left += margin + sleepWidth;
    MoveWindow(GetDlgItem(window_, kCheckId), left, rowTop(2), checkWidth, rowHeight, TRUE);
    left += margin + checkWidth;
    MoveWindow(GetDlgItem(window_, kHelpId), left, rowTop(2), helpWidth, rowHeight, TRUE);
    const int choiceWidth = scaled(96);
    const int deviceWidth = width - 4 * margin - 2 * choiceWidth;
    MoveWindow(device_, margin, rowTop(3), deviceWidth, dropHeight, TRUE);
    MoveWindow(rate_, 2 * margin + deviceWidth, rowTop(3), choiceWidth, dropHeight, TRUE);
    MoveWindow(buffer_, 3 * margin + deviceWidth + choiceWidth, rowTop(3), choiceWidth, dropHeight,
               TRUE);
    MoveWindow(area_, 0, barHeight, editorWidth, editorHeight, TRUE);
    RECT outer{0, 0, width, barHeight + editorHeight};
    AdjustForDpi(outer, dpi_);
    outerWidth_ = outer.right - outer.left;
    outerHeight_ = outer.bottom - outer.top;
    SetWindowPos(window_, nullptr, 0, 0, outerWidth_, outerHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred texts that moved would otherwise leave their old pixels behind.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindowWin::MakeFont() {
    // The stock dialog font's face, 11 pixels high at 96 DPI (8 points).
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfHeight = -MulDiv(11, static_cast<int>(dpi_), kDefaultDpi);
    face.lfWidth = 0;
    font_.reset(CreateFontIndirectW(&face));
}

void MainWindowWin::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The controls keep the old font until they have the new one.
    FontHandle old = std::move(font_);
    MakeFont();
    for (HWND control = GetWindow(window_, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT))
        if (control != area_)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The editor follows after its parent and asks for its new size then.
    Layout(editorWidth_, editorHeight_);
}

void MainWindowWin::Refresh() {
    auto& listener = player_.Listener();
    BarReadout::Playing playing;
    playing.peak = player_.LastPeak();
    playing.position = player_.Position();
    playing.length = player_.LengthFrames();
    playing.played = player_.FramesPlayed();
    playing.sampleRate = player_.SampleRate();
    playing.underruns = player_.Underruns();
    playing.sleepSeconds = listener.SleepRemaining();
    playing.session = bar_.stayAtEnd;
    playing.sounding = SendMessageW(transport_, BM_GETCHECK, 0, 0) == BST_CHECKED &&
                       !listener.Asleep() && !player_.Finished();
    const unsigned changed = readout_.Update(playing);
    if (changed & BarReadout::kMeter)
        SendMessageW(meter_, PBM_SETPOS, static_cast<WPARAM>(readout_.Meter()), 0);
    if (changed & (BarReadout::kPosition | BarReadout::kPlayed | BarReadout::kSleep)) {
        // One line: the session's position, the time played, the sleep timer.
        std::string text;
        for (const std::string* part :
             {&readout_.Position(), &readout_.Played(), &readout_.Sleep()})
            if (!part->empty()) text += (text.empty() ? "" : "   ") + *part;
        SetWindowTextW(position_, Wide(text).c_str());
    }
    if (changed & BarReadout::kUnderruns)
        SetWindowTextW(underruns_, Wide(readout_.Underruns()).c_str());
    if (bar_.toneSetAt) {
        std::string name =
            bar_.toneSetAt(static_cast<double>(playing.position) / std::max(playing.sampleRate, 1));
        if (name != toneSetShown_) {
            toneSetShown_ = std::move(name);
            SetWindowTextW(programs_, Wide(toneSetShown_).c_str());
        }
    }

    // The sleep timer ran out or the session ended: the transport stops and
    // the timer is off.
    if (player_.Finished()) ended_ = true;
    if ((listener.Asleep() || ended_) &&
        SendMessageW(transport_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        SendMessageW(transport_, BM_SETCHECK, BST_UNCHECKED, 0);
        OnTransport();
        SendMessageW(sleep_, CB_SETCURSEL, 0, 0);
    }
    // At the end the window stays, stopped; the session cannot play on.
    if (ended_ && IsWindowEnabled(transport_)) EnableWindow(transport_, FALSE);
}

LRESULT CALLBACK MainWindowWin::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindowWin*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || window != self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT MainWindowWin::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // A menu's command: a program chosen.
        if (lParam == 0 && HIWORD(wParam) == 0) {
            if (const auto index = ProgramCommand(LOWORD(wParam))) ChooseProgram(*index);
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == kTransportId) OnTransport();
            if (LOWORD(wParam) == kProgramsId) OnProgramMenu();
            if (LOWORD(wParam) == kCheckId) player_.Listener().StartChannelCheck();
            if (LOWORD(wParam) == kHelpId) {
                std::string error;
                if (!ListeningGuide::Open(error))
                    MessageBoxW(window_, Wide(error).c_str(), L"Tonewell", MB_OK | MB_ICONERROR);
            }
        }
        // A list applies a choice once made (clicked, or Return in the open
        // list), not at each arrow key through the open list.
        if (HIWORD(wParam) == CBN_SELENDOK) {
            if (LOWORD(wParam) == kDeviceId || LOWORD(wParam) == kRateId ||
                LOWORD(wParam) == kBufferId)
                OnOutput();
            if (LOWORD(wParam) == kSleepId) OnSleep();
        }
        return 0;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == volume_)
            player_.Listener().SetVolume(
                static_cast<float>(SendMessageW(volume_, TBM_GETPOS, 0, 0)) / 100.f);
        return 0;
    case WM_DPICHANGED:
        // Windows always sends a DPI and a rectangle; anything else is ignored.
        if (HIWORD(wParam) == 0 || lParam == 0) break;
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        // Windows caps a window at the screen's size; at a high DPI on a
        // small screen that would clip the editor.
        if (lParam != 0) {
            auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
            limits.ptMaxTrackSize.x = std::max<LONG>(limits.ptMaxTrackSize.x, outerWidth_);
            limits.ptMaxTrackSize.y = std::max<LONG>(limits.ptMaxTrackSize.y, outerHeight_);
            limits.ptMaxSize.x = std::max<LONG>(limits.ptMaxSize.x, outerWidth_);
            limits.ptMaxSize.y = std::max<LONG>(limits.ptMaxSize.y, outerHeight_);
        }
        return 0;
    case WM_TIMER:
        if (wParam != kTickTimer) break;
        if (!bar_.message.empty()) {
            const std::string text = std::move(bar_.message);
            bar_.message.clear();
            MessageBoxW(window_, Wide(text).c_str(), L"Tonewell", MB_OK | MB_ICONERROR);
        }
        Refresh();
        if ((player_.Finished() && !bar_.stayAtEnd) || (stopRequested_ && stopRequested_())) {
            Detach();
            Quit();
        }
        return 0;
    case WM_CLOSE:
        // The editor leaves before its parent window does; the window goes
        // when the program has faded out.
        Detach();
        ShowWindow(window_, SW_HIDE);
        Quit();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

bool MainWindowWin::PlayKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) return false;
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    // Typing in the search field is typing.
    if (msg.hwnd == search_) return false;
    // Shortcuts with Ctrl or Alt stay the controls'.
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    // The high bit marks a dead key.
    UINT character = MapVirtualKeyW(static_cast<UINT>(msg.wParam), MAPVK_VK_TO_CHAR);
    if (character == 0 || (character & 0x80000000u)) return false;
    if (character >= 'A' && character <= 'Z') character += 'a' - 'A';
    const auto note = msg.message == WM_KEYDOWN
                          ? keyboard_.Press(static_cast<char32_t>(character))
                          : keyboard_.Release(static_cast<char32_t>(character));
    if (note) keyNotes_.Push(*note);
    return note.has_value();
}

void MainWindowWin::OnTransport() {
    const bool playing = SendMessageW(transport_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    // Play after the sleep timer ran out brings the sound back.
    if (playing && player_.Listener().Asleep()) player_.Listener().Wake();
    player_.SetTransport(playing);
    SetWindowTextW(transport_, playing ? L"Stop" : L"Play");
}

std::optional<int> MainWindowWin::ProgramCommand(UINT_PTR command) const {
    const auto count = session_.Programs().Names().size();
    if (command < kProgramMenuId || command >= kProgramMenuId + count) return std::nullopt;
    return static_cast<int>(command - kProgramMenuId);
}

UINT_PTR MainWindowWin::PopUp(HMENU menu, HWND anchor) {
    RECT bounds{};
    GetWindowRect(anchor, &bounds);
    const auto command = static_cast<UINT_PTR>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                       bounds.left, bounds.bottom, 0, window_, nullptr));
    DestroyMenu(menu);
    return command;
}

void MainWindowWin::OnProgramMenu() {
    const auto& names = session_.Programs().Names();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kOpenSessionMenuId, L"Open session...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const auto& group : groups_.Groups()) {
        HMENU submenu = CreatePopupMenu();
        for (const int index : group.programs)
            AppendMenuW(submenu, MF_STRING | (index == program_ ? MF_CHECKED : MF_UNCHECKED),
                        kProgramMenuId + static_cast<UINT_PTR>(index),
                        Wide(names[static_cast<std::size_t>(index)]).c_str());
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), Wide(group.title).c_str());
    }
    const UINT_PTR command = PopUp(menu, programs_);
    if (command == kOpenSessionMenuId)
        OnOpenSession();
    else if (const auto index = ProgramCommand(command))
        ChooseProgram(*index);
}

void MainWindowWin::OnOpenSession() {
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = L"Sessions (*.sbg, *.txt)\0*.sbg;*.txt\0All files\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"Open session";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // Playing may have ended while the chooser was open.
    if (!GetOpenFileNameW(&dialog) || quit_) return;
    file.resize(file.find(L'\0'));
    // The program's paths are in the system's code page, as its command line.
    const int size = WideCharToMultiByte(CP_ACP, 0, file.c_str(), static_cast<int>(file.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string path(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, file.c_str(), static_cast<int>(file.size()), path.data(), size,
                        nullptr, nullptr);
    // The session plays from its start, in the window's place.
    sessionChosen_ = path;
    Detach();
    Quit();
}

void MainWindowWin::OnSearch() {
    const int length = GetWindowTextLengthW(search_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(search_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    std::string words;
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        words.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, words.data(), size, nullptr, nullptr);
    }
    const std::vector<int> found = groups_.Find(words);
    if (found.empty()) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    if (found.size() == 1) {
        ChooseProgram(found.front());
        return;
    }
    const auto& names = session_.Programs().Names();
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < found.size() && i < kMostMatches; ++i)
        AppendMenuW(menu, MF_STRING, kProgramMenuId + static_cast<UINT_PTR>(found[i]),
                    Wide(names[static_cast<std::size_t>(found[i])]).c_str());
    if (const auto index = ProgramCommand(PopUp(menu, search_))) ChooseProgram(*index);
}

LRESULT CALLBACK MainWindowWin::SearchProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
    // Return searches; its character would only beep.
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        reinterpret_cast<MainWindowWin*>(self)->OnSearch();
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, &MainWindowWin::SearchProc, 1);
    return DefSubclassProc(edit, message, wParam, lParam);
}

void MainWindowWin::ChooseProgram(int index) {
    const auto programChange = session_.Parameters().ProgramChangeId();
    if (index < 0 || !programChange) return;
    if (bar_.toneSetAt) {
        // The SBaGen session's voices are not the instance's: the program
        // plays instead of the session.
        programChosen_ = index;
        Detach();
        Quit();
        return;
    }
    const double value = session_.Programs().NormalizedValue(index);
    // The controller shows the program; the processor gets it from the queue.
    session_.Instance().Controller()->setParamNormalized(*programChange, value);
    queue_.Push({*programChange, value});
    ShowProgram(index);
}

void MainWindowWin::ShowProgram(int index) {
    const auto& names = session_.Programs().Names();
    program_ = index >= 0 && static_cast<std::size_t>(index) < names.size() ? index : -1;
    const std::string name =
        program_ >= 0 ? names[static_cast<std::size_t>(program_)] : "Choose a program";
    SetWindowTextW(programs_, Wide(name).c_str());
}

int MainWindowWin::ProgramShown() const {
    return program_;
}

void MainWindowWin::OnSleep() {
    const auto index = static_cast<int>(SendMessageW(sleep_, CB_GETCURSEL, 0, 0));
    if (index < 0 || static_cast<std::size_t>(index) >= sleepChoices_.size()) return;
    player_.Listener().SetSleep(sleepChoices_[static_cast<std::size_t>(index)]);
}

void MainWindowWin::OnOutput() {
    const auto selected = [](HWND list) {
        return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    };
    const int device = selected(device_), rate = selected(rate_), buffer = selected(buffer_);
    if (device == deviceShown_ && rate == rateShown_ && buffer == bufferShown_) return;
    if (!bar_.switchOutput) return;
    // The program plays on through the new output, in this window.
    OutputSettings::Choice playing = ChoiceOf(output_, deviceShown_, rateShown_, bufferShown_);
    const std::string message = bar_.switchOutput(ChoiceOf(output_, device, rate, buffer), playing);
    const auto shown = SelectionsOf(output_, playing, {device, rate, buffer});
    deviceShown_ = shown[0];
    rateShown_ = shown[1];
    bufferShown_ = shown[2];
    // Setting a selection sends no notification: no second switch follows.
    SendMessageW(device_, CB_SETCURSEL, static_cast<WPARAM>(deviceShown_), 0);
    SendMessageW(rate_, CB_SETCURSEL, static_cast<WPARAM>(rateShown_), 0);
    SendMessageW(buffer_, CB_SETCURSEL, static_cast<WPARAM>(bufferShown_), 0);
    if (!message.empty())
        MessageBoxW(window_, Wide(message).c_str(), L"Tonewell", MB_OK | MB_ICONERROR);
}

void MainWindowWin::Detach() {
    if (!view_) return;
    view_->removed();
    view_->setFrame(nullptr);
    view_ = nullptr;
}

void MainWindowWin::Quit() {
    quit_ = true;
    // A modal dialog over the window (the session chooser, a message) runs
    // a loop of its own: it closes, so that the window's loop can end.
    if (window_) {
        const HWND popup = GetLastActivePopup(window_);
        if (popup && popup != window_) PostMessageW(popup, WM_CLOSE, 0, 0);
    }
}

} // namespace tonewell::standalone
