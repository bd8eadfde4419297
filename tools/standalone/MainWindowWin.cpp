#include "MainWindowWin.h"

#include <PluginSession.h>
#include <algorithm>
#include <cmath>
#include <commctrl.h>
#include <cstdio>
#include <string>

#include "EditorPlugFrame.h"
#include "LivePlayer.h"
#include "ParameterChangeQueue.h"
#include "PlayError.h"

namespace tonewell::standalone {

using namespace Steinberg;

namespace {

constexpr const wchar_t* kWindowClass = L"TonewellMainWindow";
constexpr const wchar_t* kAreaClass = L"TonewellEditorArea";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 50;
constexpr int kDefaultDpi = 96;
// The bar at 96 DPI: three rows of controls above the editor.
constexpr int kMargin = 6;
constexpr int kRowHeight = 24;
constexpr int kBarHeight = 4 * kMargin + 3 * kRowHeight;
// Narrower editors still get a usable bar.
constexpr int kMinWidth = 320;
constexpr int kSideWidth = 100;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

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

// The meter shows the last 60 dB, where tones are heard; 0 to 100.
int MeterValue(float peak) {
    if (!(peak > 0.f)) return 0;
    const double value = (20.0 * std::log10(peak) + 60.0) / 60.0 * 100.0;
    return value <= 0.0 ? 0 : value >= 100.0 ? 100 : static_cast<int>(value);
}

// Whole seconds, so that the text changes once a second at most.
std::string Clock(std::int64_t frames, int rate) {
    const long long seconds = rate > 0 ? frames / rate : 0;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
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
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
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
      bar_(bar) {
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
    programs_ = child(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kProgramsId);
    const auto& names = session_.Programs().Names();
    for (std::size_t i = 0; i < names.size(); ++i)
        SendMessageW(programs_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Wide(std::to_string(i) + "  " + names[i]).c_str()));
    SendMessageW(programs_, CB_SETCURSEL, static_cast<WPARAM>(program), 0);
    EnableWindow(programs_, session_.Parameters().ProgramChangeId().has_value());
    meter_ = child(PROGRESS_CLASSW, L"", PBS_SMOOTH, kMeterId);
    SendMessageW(meter_, PBM_SETRANGE32, 0, 100);
    position_ = child(L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE, kPositionId);
    underruns_ = child(L"STATIC", L"", SS_RIGHT | SS_CENTERIMAGE, kUnderrunsId);
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
    const int margin = scaled(kMargin), rowHeight = scaled(kRowHeight), side = scaled(kSideWidth);
    const int barHeight = scaled(kBarHeight);
    const int width = std::max(editorWidth, scaled(kMinWidth));
    const int row2 = 2 * margin + rowHeight;
    const int transportWidth = scaled(64);
    // A drop-down list's height includes its open list.
    const int dropHeight = scaled(320);
    MoveWindow(transport_, margin, margin, transportWidth, rowHeight, TRUE);
    const int listLeft = 2 * margin + transportWidth;
    MoveWindow(programs_, listLeft, margin, width - listLeft - margin, dropHeight, TRUE);
    MoveWindow(meter_, margin, row2 + scaled(5), side, rowHeight - scaled(10), TRUE);
    MoveWindow(position_, 2 * margin + side, row2, width - 4 * margin - 2 * side, rowHeight, TRUE);
    MoveWindow(underruns_, width - margin - side, row2, side, rowHeight, TRUE);
    const int row3 = 3 * margin + 2 * rowHeight;
    const int choiceWidth = scaled(96);
    const int deviceWidth = width - 4 * margin - 2 * choiceWidth;
    MoveWindow(device_, margin, row3, deviceWidth, dropHeight, TRUE);
    MoveWindow(rate_, 2 * margin + deviceWidth, row3, choiceWidth, dropHeight, TRUE);
    MoveWindow(buffer_, 3 * margin + deviceWidth + choiceWidth, row3, choiceWidth, dropHeight,
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

void MainWindowWin::SetText(HWND control, std::string& shown, const std::string& text) {
    if (text == shown) return;
    shown = text;
    SetWindowTextW(control, Wide(text).c_str());
}

void MainWindowWin::Refresh() {
    const int level = MeterValue(player_.LastPeak());
    if (level != meterShown_) {
        meterShown_ = level;
        SendMessageW(meter_, PBM_SETPOS, static_cast<WPARAM>(level), 0);
    }
    const std::int64_t length = player_.LengthFrames();
    if (length > 0)
        SetText(position_, positionShown_,
                Clock(player_.Position(), player_.SampleRate()) + " / " +
                    Clock(length, player_.SampleRate()));
    const auto underruns = player_.Underruns();
    SetText(underruns_, underrunsShown_,
            std::to_string(underruns) + (underruns == 1 ? " underrun" : " underruns"));
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
        if (LOWORD(wParam) == kTransportId && HIWORD(wParam) == BN_CLICKED) OnTransport();
        if (LOWORD(wParam) == kProgramsId && HIWORD(wParam) == CBN_SELCHANGE) OnProgram();
        if ((LOWORD(wParam) == kDeviceId || LOWORD(wParam) == kRateId ||
             LOWORD(wParam) == kBufferId) &&
            HIWORD(wParam) == CBN_SELCHANGE)
            OnOutput();
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
        Refresh();
        if (player_.Finished() || (stopRequested_ && stopRequested_())) {
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
    player_.SetTransport(playing);
    SetWindowTextW(transport_, playing ? L"Stop" : L"Play");
}

void MainWindowWin::OnProgram() {
    const auto index = static_cast<int>(SendMessageW(programs_, CB_GETCURSEL, 0, 0));
    const auto programChange = session_.Parameters().ProgramChangeId();
    if (index < 0 || !programChange) return;
    const double value = session_.Programs().NormalizedValue(index);
    // The controller shows the program; the processor gets it from the queue.
    session_.Instance().Controller()->setParamNormalized(*programChange, value);
    queue_.Push({*programChange, value});
}

int MainWindowWin::ProgramShown() const {
    return static_cast<int>(SendMessageW(programs_, CB_GETCURSEL, 0, 0));
}

void MainWindowWin::OnOutput() {
    const auto selected = [](HWND list) {
        return static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    };
    // The program plays on through the new output, in a new window.
    outputChosen_ = ChoiceOf(output_, selected(device_), selected(rate_), selected(buffer_));
    Detach();
    Quit();
}

void MainWindowWin::Detach() {
    if (!view_) return;
    view_->removed();
    view_->setFrame(nullptr);
    view_ = nullptr;
}

void MainWindowWin::Quit() {
    quit_ = true;
}

} // namespace tonewell::standalone
