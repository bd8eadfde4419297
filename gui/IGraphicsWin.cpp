#include "IGraphicsWin.h"

// windows.h (which brings the common dialogs and the shell's calls) comes
// after IGraphics.h, whose DrawText it would otherwise rename.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <windows.h>

#include "EntryCommit.h"
#include "ICoreBase.h"
#include "IEngineParam.h"
#include "RAST_PngDecoder.h"
#include "RAST_SysBitmap.h"

namespace {
// Shared by every editor of the module, and only touched on the UI thread:
// the class is registered while any editor window is open.
int openWindowCount = 0;
// Handed from OpenEditorWindow to the window's WM_CREATE.
int timerFps = IGraphics::kDefaultFps;
// The instance the class was registered with, which must also unregister it.
HINSTANCE classInstance = nullptr;

constexpr int kEntryTextMax = 1000;
constexpr int kEntryFontHeight = 14;
// Sent to a top-level window whose DPI changed, and to its children after it
// (per-monitor aware processes, Windows 10 1703 on).
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;
constexpr UINT kDefaultDpi = 96;

// GetDpiForWindow where user32 has it (Windows 10 1607 on); else the default.
UINT WindowDpi(HWND hwnd) {
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi && hwnd ? getDpi(hwnd) : 0;
    return dpi ? dpi : kDefaultDpi;
}

int ClampToInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

IMouseKeys KeysOf(WPARAM flags) {
    IMouseKeys keys;
    keys.left = (flags & MK_LBUTTON) ? 1 : 0;
    keys.right = (flags & MK_RBUTTON) ? 1 : 0;
    keys.shift = (flags & MK_SHIFT) ? 1 : 0;
    keys.control = (flags & MK_CONTROL) ? 1 : 0;
    keys.alt = GetKeyState(VK_MENU) < 0 ? 1 : 0;
    return keys;
}

int LowWordX(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int HighWordY(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

// The surface's key code of a virtual key, or -1 for keys the controls never see.
int TranslateKey(WPARAM key) {
    switch (key) {
    case VK_SPACE:
        return 0;
    case VK_UP:
        return 1;
    case VK_DOWN:
        return 2;
    case VK_LEFT:
        return 3;
    case VK_RIGHT:
        return 4;
    default:
        break;
    }
    if (key >= '0' && key <= '9') return 6 + static_cast<int>(key - '0');
    if (key >= 'A' && key <= 'Z') return 16 + static_cast<int>(key - 'A');
    return -1;
}

// The folder part of a full path, with its trailing backslash; empty when the
// path has no backslash or names no file after the last one.
std::string DirectoryOf(const char* path) {
    const char* last = std::strrchr(path, '\\');
    if (!last || last[1] == '\0') return std::string();
    return std::string(path, last + 1);
}
} // namespace

struct IGraphicsWin::Procedures {
    static LRESULT CALLBACK Window(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Entry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static UINT_PTR CALLBACK ColourHook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
    static bool RegisterWindowClass(HINSTANCE instance);
    static void ReleaseWindowClass();
};

bool IGraphicsWin::Procedures::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Procedures::Window;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    classInstance = instance;
    if (RegisterClassExA(&wc)) return true;
    // A registration left behind (its last window was destroyed with the
    // host's window, when it could not go yet; or an earlier load of this
    // module at the same address) is replaced, so the class runs this code.
    // A failure shows as a failed window creation, which undoes the count.
    UnregisterClassA(kWindowClass, instance);
    return RegisterClassExA(&wc) != 0;
}

void IGraphicsWin::Procedures::ReleaseWindowClass() {
    UnregisterClassA(kWindowClass, classInstance);
    classInstance = nullptr;
}

LRESULT CALLBACK IGraphicsWin::Procedures::Window(HWND hwnd, UINT msg, WPARAM wParam,
                                                  LPARAM lParam) {
    if (msg == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        const int rate = timerFps > 0 ? timerFps : kDefaultFps;
        SetTimer(hwnd, kTimerId, static_cast<UINT>(1000.0 / rate), nullptr);
        SetFocus(hwnd);
        return 0;
    }
    auto* self = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Messages during creation, and any for a window this object no longer has.
    if (!self || self->window != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);

    if (msg == WM_RBUTTONDOWN && self->entryWindow) {
        // A right click cancels the entry and goes no further.
        self->entryState = kEntryCancel;
        return 0;
    }
    const int x = LowWordX(lParam), y = HighWordY(lParam);
    switch (msg) {
    case WM_PAINT: {
        // Whoever invalidated the window, the editor never paints over the entry.
        self->ProtectEntry();
        RECT update;
        if (GetUpdateRect(hwnd, &update, FALSE))
            self->PaintRegion(IBounds{update.left, update.top, update.right, update.bottom});
        // A surface without controls presents nothing; the region must still
        // be settled, or WM_PAINT would come back without end.
        if (self->window == hwnd) ValidateRect(hwnd, nullptr);
        return 0;
    }
    case kDpiChanged:
    case kDpiChangedAfterParent:
        self->DpiChanged();
        return 0;
    case WM_CLOSE:
        self->CloseEditorWindow();
        return 0;
    case WM_MOUSEACTIVATE:
        SetFocus(hwnd);
        return MA_ACTIVATE;
    case WM_KEYDOWN: {
        const int code = TranslateKey(wParam);
        if (code < 0) return 0;
        POINT pointer{};
        GetCursorPos(&pointer);
        ScreenToClient(hwnd, &pointer);
        self->KeyDownAt(pointer.x, pointer.y, code);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kTimerId) self->Tick();
        return 0;
    case WM_CTLCOLORSTATIC:
        // The core has no colour hook: the children keep the system's colours.
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
            if (GetCapture() == hwnd) self->MouseDragTo(x, y, KeysOf(wParam));
        } else if (self->MouseOverAt(x, y, KeysOf(wParam)) && self->window == hwnd) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, HOVER_DEFAULT};
            TrackMouseEvent(&track);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ::ReleaseCapture();
        self->MouseUpAt(x, y, KeysOf(wParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        if (self->MouseDoubleClickAt(x, y, KeysOf(wParam)) && self->window == hwnd)
            SetCapture(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // A click into the editor commits an open entry; the press still counts.
        if (self->entryWindow) self->entryState = kEntryCommit;
        SetCapture(hwnd);
        self->MouseDownAt(x, y, KeysOf(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        const int notches = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
        self->MouseWheelAt(x - frame.left, y - frame.top, KeysOf(LOWORD(wParam)), notches);
        return 0;
    }
    case WM_MOUSELEAVE:
        self->MouseLeft();
        return 0;
    case WM_DESTROY:
        // Destroyed from outside, with the host's window: forgotten as if
        // closed, so that no stale handle is ever destroyed or used later.
        self->ShutWindow(true, false);
        return 0;
    case WM_COMMAND:
        // A drop-down list may report a choice only to its parent (this
        // window) rather than through its own procedure.
        if (self->entryWindow && reinterpret_cast<HWND>(lParam) == self->entryWindow &&
            HIWORD(wParam) == CBN_SELCHANGE) {
            self->entryState = kEntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK IGraphicsWin::Procedures::Entry(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) {
    const HWND editor = GetParent(hwnd);
    auto* self = editor ? reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(editor, GWLP_USERDATA))
                        : nullptr;
    if (!self || self->entryWindow != hwnd || !self->entryOldProc)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const auto own = reinterpret_cast<WNDPROC>(self->entryOldProc);

    switch (msg) {
    case WM_SETFOCUS:
        self->entryState = kEntryTyping;
        break;
    case WM_KILLFOCUS:
        self->entryState = kEntryIdle;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcA(own, hwnd, msg, wParam, lParam);
        // Keeps the host's dialog handling from taking Enter away from the entry.
        const auto* query = reinterpret_cast<const MSG*>(lParam);
        if (query && query->message == WM_KEYDOWN && query->wParam == VK_RETURN)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            char className[16] = {};
            GetClassNameA(hwnd, className, sizeof className);
            if (lstrcmpiA(className, "EDIT") == 0)
                CallWindowProcA(own, hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
            self->entryState = kEntryCommit;
            return 0;
        }
        self->entryState = kEntryTyping;
        break;
    case WM_CHAR:
        // The text field is multi-line (for centring); Enter's character
        // would add a line break to the text being committed.
        if (wParam == '\r' || wParam == '\n') return 0;
        break;
    case WM_COMMAND:
        // The list's own list box reports a new selection.
        if (HIWORD(wParam) == LBN_SELCHANGE) {
            self->entryState = kEntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(own, hwnd, msg, wParam, lParam);
}

UINT_PTR CALLBACK IGraphicsWin::Procedures::ColourHook(HWND dialog, UINT msg, WPARAM,
                                                       LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (choose && choose->lCustData)
            SetWindowTextA(dialog, reinterpret_cast<const char*>(choose->lCustData));
    }
    return 0;
}

IGraphicsWin::IGraphicsWin(ICoreBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps) {}

IGraphicsWin::~IGraphicsWin() {
    // The core may be half destroyed by now (it deletes its editor from its
    // own destructor), so nothing is sent to it.
    ShutWindow(false, true);
}

void IGraphicsWin::SetModule(void* instance) {
    module = static_cast<HINSTANCE>(instance);
}

HINSTANCE__* IGraphicsWin::Instance() const {
    return module ? module : GetModuleHandleA(nullptr);
}

bool IGraphicsWin::PresentRegion(const IBounds& box) {
    if (!window || !drawBitmap) return false;
    PAINTSTRUCT paint;
    const HDC target = BeginPaint(window, &paint);
    const auto source = static_cast<HDC>(drawBitmap->deviceContext());
    if (target && source)
        BitBlt(target, box.left, box.top, box.W(), box.H(), source, box.left, box.top, SRCCOPY);
    EndPaint(window, &paint);
    return true;
}

void IGraphicsWin::Resize(int newWidth, int newHeight) {
    const int oldWidth = PixelWidth(), oldHeight = PixelHeight();
    // The controls are about to be deleted; the entry must not outlive its own.
    DestroyEntry();
    IGraphics::Resize(newWidth, newHeight);
    if (!window) return;
    const int dW = ClampToInt(int64_t{PixelWidth()} - oldWidth);
    const int dH = ClampToInt(int64_t{PixelHeight()} - oldHeight);

    // The host's windows that hold the editor grow with it: its parent, and
    // the grandparent too, as long as each is a plain (not MDI) child.
    HWND chain[3] = {window, nullptr, nullptr};
    RECT frames[3] = {};
    int count = 1;
    for (;;) {
        GetWindowRect(chain[count - 1], &frames[count - 1]);
        if (count == 3) break;
        const HWND current = chain[count - 1];
        const LONG style = GetWindowLongA(current, GWL_STYLE);
        const LONG exStyle = GetWindowLongA(current, GWL_EXSTYLE);
        if (!(style & WS_CHILD) || (exStyle & WS_EX_MDICHILD)) break;
        const HWND above = GetParent(current);
        if (!above) break;
        chain[count++] = above;
    }
    for (int i = 0; i < count; ++i) {
        const RECT& r = frames[i];
        SetWindowPos(chain[i], nullptr, 0, 0, ClampToInt(int64_t{r.right} - r.left + dW),
                     ClampToInt(int64_t{r.bottom} - r.top + dH),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT old{0, 0, oldWidth, oldHeight};
    InvalidateRect(window, &old, FALSE);
}

void IGraphicsWin::ScaleFactorChanged() {
    // The surface has ended the control's entry; the field, at the old
    // scale's pixels, goes without sending anything.
    DestroyEntry();
    if (!window) return;
    // The host's windows are the host's to size (it hears of the new size).
    SetWindowPos(window, nullptr, 0, 0, PixelWidth(), PixelHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
}

double IGraphicsWin::SystemScaleFactor() const {
    if (!window) return 0.0;
    return static_cast<double>(WindowDpi(parent ? parent : window)) / kDefaultDpi;
}

void IGraphicsWin::SetSystemScaleListener(std::function<void(double)> listener) {
    systemScaleListener = std::move(listener);
}

void IGraphicsWin::DpiChanged() {
    if (!systemScaleListener) return;
    // The listener may set the factor, which resizes this window.
    const auto listener = systemScaleListener;
    listener(SystemScaleFactor());
}

void IGraphicsWin::PromptParamEntry(IControl* control, const IEngineParam* param, bool centred) {
    if (!control || !param || entryWindow || !window) return;
    const IBounds& b = control->Bounds();
    const int x = ClampToInt(static_cast<int64_t>((double(b.left) + b.right) * 0.5));
    const int y = ClampToInt(static_cast<int64_t>((double(b.top) + b.bottom) * 0.5));
    char current[IEngineParam::kFormatSize] = {};
    param->FormatValue(param->PlainValue(), false, current, sizeof current);

    const int kind = param->GetKind();
    const int texts = param->ValueTextCount();
    const bool list =
        texts > 0 && (kind == IEngineParam::KindEnum || kind == IEngineParam::KindBool);
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId));
    HWND entry = nullptr;
    if (!list) {
        int left = b.left, top = b.top, w = b.W(), h = b.H();
        DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE;
        if (centred) {
            // Wide enough for the text of the largest value.
            char widest[IEngineParam::kFormatSize] = {};
            param->FormatValue(1.0, true, widest, sizeof widest);
            w = std::max(32, 7 * static_cast<int>(std::strlen(widest)) + 6);
            h = 16;
            left = ClampToInt(int64_t{x} - w / 2);
            top = ClampToInt(int64_t{y} - 8);
            style |= ES_CENTER;
        }
        const IBounds at = ToPixelBox(IBounds::FromSize(left, top, w, h));
        entry = CreateWindowExA(0, "EDIT", current, style, at.left, at.top, at.W(), at.H(), window,
                                id, Instance(), nullptr);
        if (entry) SendMessageA(entry, EM_SETSEL, 0, -1);
    } else {
        size_t longest = 0;
        for (int i = 0; i < texts; ++i)
            longest = std::max(longest, std::strlen(param->ValueTextAt(i).text));
        int w = std::max(24, 8 * (static_cast<int>(longest) + 1) + 16);
        int h = 36 * (texts + 1);
        int left = ClampToInt(int64_t{x} - w / 2);
        const int top = y;
        if (!centred) {
            left = b.left;
            w = b.W();
            h = b.H();
        }
        const IBounds at = ToPixelBox(IBounds::FromSize(left, top, w, h));
        entry = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                                at.left, at.top, at.W(), at.H(), window, id, Instance(), nullptr);
        if (entry) {
            int selected = -1;
            for (int i = 0; i < texts; ++i) {
                const char* text = param->ValueTextAt(i).text;
                SendMessageA(entry, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
                if (std::strcmp(text, current) == 0) selected = i;
            }
            SendMessageA(entry, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
        }
    }
    if (!entry) return;

    entryWindow = entry;
    entryControl = control;
    entryParam = param;
    entryState = kEntryIdle;
    entryFont = CreateFontA(ToPixels(kEntryFontHeight), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
    if (entryFont) SendMessageA(entry, WM_SETFONT, reinterpret_cast<WPARAM>(entryFont), TRUE);
    entryOldProc =
        SetWindowLongPtrA(entry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedures::Entry));
    SetFocus(entry);
}

void IGraphicsWin::DestroyEntry() {
    if (!entryWindow) return;
    const HWND entry = entryWindow;
    if (entryOldProc) SetWindowLongPtrA(entry, GWLP_WNDPROC, entryOldProc);
    entryWindow = nullptr;
    entryControl = nullptr;
    entryParam = nullptr;
    entryOldProc = 0;
    entryState = kEntryIdle;
    // Keys go back to the editor rather than nowhere.
    if (window && GetFocus() == entry) SetFocus(window);
    DestroyWindow(entry);
    // The entry only borrowed its font; it is freed once the entry is gone.
    if (entryFont) DeleteObject(entryFont);
    entryFont = nullptr;
}

void IGraphicsWin::FinishEntry(bool commit) {
    IControl* control = entryControl;
    const IEngineParam* param = entryParam;
    char text[kEntryTextMax + 1] = {};
    if (commit) {
        const LRESULT length =
            SendMessageA(entryWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        text[std::clamp<LRESULT>(length, 0, kEntryTextMax)] = '\0';
        // Only the first line counts.
        text[std::strcspn(text, "\r\n")] = '\0';
    }
    // Gone before the value is sent on: whatever the host does meanwhile
    // finds no entry half closed.
    DestroyEntry();
    if (!control) return;
    if (commit && param) CommitEntryText(plug, *control, *param, text);
    control->EndValueEntry();
}

void IGraphicsWin::Tick() {
    IBounds dirty;
    bool repaint;
    {
        EventScope scope(*this);
        if (entryWindow && entryState != kEntryIdle) {
            if (entryState == kEntryCommit || entryState == kEntryCancel)
                FinishEntry(entryState == kEntryCommit);
            else
                entryState = kEntryIdle;
        }
        repaint = window && CollectDirty(dirty);
    }

    // Outside the lock: the paint message takes it only while the controls
    // capture their values, not while they draw or the result goes to the
    // screen.
    if (repaint && window) {
        const RECT box{dirty.left, dirty.top, dirty.right, dirty.bottom};
        InvalidateRect(window, &box, FALSE);
        ProtectEntry();
        UpdateWindow(window);
    }

    EventScope scope(*this);
    CountDownParamChange();
}

void IGraphicsWin::ProtectEntry() {
    if (!window || !entryWindow) return;
    RECT covered{};
    GetClientRect(entryWindow, &covered);
    MapWindowPoints(entryWindow, window, reinterpret_cast<POINT*>(&covered), 2);
    ValidateRect(window, &covered);
}

bool IGraphicsWin::ModulePathDirectory(HINSTANCE__* source, std::string& out) const {
    out.clear();
    // Longer than any path the ANSI calls handle; a path cut at the end of
    // the buffer would name the wrong folder, so it counts as unreadable.
    char path[1024] = {};
    const DWORD length = GetModuleFileNameA(source, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    path[length] = '\0';
    out = DirectoryOf(path);
    return !out.empty();
}

bool IGraphicsWin::HostDirectory(std::string& out) {
    return ModulePathDirectory(nullptr, out);
}

bool IGraphicsWin::ModuleDirectory(std::string& out) {
    return ModulePathDirectory(module, out);
}

bool IGraphicsWin::AskForFile(std::string& path, int action, const char* initialDir,
                              const char* extensions) {
    if (!window) {
        path.clear();
        return false;
    }
    char file[256] = {};
    path.copy(file, sizeof file - 1);
    std::string folder;
    if (initialDir && initialDir[0] != '\0')
        folder = initialDir;
    else
        HostDirectory(folder);

    // "wav aif" becomes the pattern list "*.wav;*.aif".
    std::string patterns, defaultExtension;
    if (extensions) {
        const char* p = extensions;
        while (*p) {
            while (*p == ' ')
                ++p;
            const char* word = p;
            while (*p && *p != ' ')
                ++p;
            if (p == word) continue;
            if (defaultExtension.empty()) defaultExtension.assign(word, p);
            if (!patterns.empty()) patterns += ';';
            patterns += "*.";
            patterns.append(word, p);
        }
    }
    // Description and pattern, each NUL-terminated, and a final NUL.
    std::string filter;
    if (!patterns.empty()) {
        filter = patterns;
        filter += '\0';
        filter += patterns;
        filter += '\0';
        filter += '\0';
    }

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = "Select audio sample";
    dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    const DWORD common = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    BOOL chosen = FALSE;
    if (action == 1) {
        dialog.Flags = common | OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameA(&dialog);
    } else {
        dialog.Flags = common;
        chosen = GetOpenFileNameA(&dialog);
    }
    file[sizeof file - 1] = '\0';
    path = chosen ? std::string(file) : std::string();
    return chosen != FALSE;
}

bool IGraphicsWin::AskForColour(IArgb& colour, const char* title) {
    if (!window) return false;
    if (!customColours) customColours = std::make_unique<unsigned long[]>(16);
    auto channel = [](int v) { return static_cast<BYTE>(std::clamp(v, 0, 255)); };
    CHOOSECOLORA choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = window;
    choose.rgbResult = RGB(channel(colour.R), channel(colour.G), channel(colour.B));
    choose.lpCustColors = customColours.get();
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR;
    choose.lCustData = reinterpret_cast<LPARAM>(title);
    choose.lpfnHook = &Procedures::ColourHook;
    if (!ChooseColorA(&choose)) return false;
    colour.R = GetRValue(choose.rgbResult);
    colour.G = GetGValue(choose.rgbResult);
    colour.B = GetBValue(choose.rgbResult);
    return true;
}

bool IGraphicsWin::OpenLink(const char* url, const char* title, const char* confirmText,
                            const char* errorText) {
    if (!url || url[0] == '\0') return false;
    if (confirmText && MessageBoxA(window, confirmText, title, MB_YESNO) != IDYES) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(window, "open", url, nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    if (errorText) MessageBoxA(window, errorText, title, MB_OK);
    return false;
}

bool IGraphicsWin::WheelFromHost(double delta) {
    if (!window || !std::isfinite(delta)) return false;
    POINT pointer{};
    if (!GetCursorPos(&pointer) || WindowFromPoint(pointer) != window) return false;
    RECT frame{};
    GetWindowRect(window, &frame);
    IMouseKeys keys;
    keys.shift = GetKeyState(VK_SHIFT) < 0 ? 1 : 0;
    keys.control = GetKeyState(VK_CONTROL) < 0 ? 1 : 0;
    keys.alt = GetKeyState(VK_MENU) < 0 ? 1 : 0;
    MouseWheelAt(pointer.x - frame.left, pointer.y - frame.top, keys, std::trunc(delta));
    return true;
}

void IGraphicsWin::OpenEditorWindow(void* parentHandle) {
    const HWND newParent = static_cast<HWND>(parentHandle);
    parent = newParent;
    int x = 0, y = 0, w = PixelWidth(), h = PixelHeight();
    if (window) {
        // Moving to another parent keeps the place and size the window has.
        RECT frame{};
        GetWindowRect(window, &frame);
        POINT corner{frame.left, frame.top};
        MapWindowPoints(HWND_DESKTOP, newParent, &corner, 1);
        x = corner.x;
        y = corner.y;
        w = frame.right - frame.left;
        h = frame.bottom - frame.top;
        CloseEditorWindow();
    }
    if (openWindowCount == 0) Procedures::RegisterWindowClass(Instance());
    ++openWindowCount;
    timerFps = fps;
    // Made with the instance the class was registered with, so the class is found.
    window = CreateWindowExA(0, kWindowClass, "ICore", WS_CHILD | WS_VISIBLE, x, y, w, h, newParent,
                             nullptr, classInstance, this);
    if (!window) {
        if (--openWindowCount == 0) Procedures::ReleaseWindowClass();
        return;
    }
    RedrawAll();
}

IBounds IGraphicsWin::ToPixelBox(const IBounds& box) const {
    return IBounds{ToPixels(box.left), ToPixels(box.top), ToPixels(box.right),
                   ToPixels(box.bottom)};
}

void IGraphicsWin::CloseEditorWindow() {
    ShutWindow(true, true);
}

void IGraphicsWin::ShutWindow(bool tellCore, bool destroy) {
    if (!window) return;
    SettleEditsOfClosingWindow(tellCore);

    const HWND closing = window;
    window = nullptr;
    // From here on the procedure treats the window as foreign.
    SetWindowLongPtrA(closing, GWLP_USERDATA, 0);
    DestroyEntry();
    KillTimer(closing, kTimerId);
    if (destroy) DestroyWindow(closing);
    systemScaleListener = nullptr;
    if (openWindowCount > 0 && --openWindowCount == 0) Procedures::ReleaseWindowClass();
}

std::unique_ptr<RAST_IBitmap> IGraphicsWin::LoadImageResource(int id) {
    // Inside a DLL a null module would search the host executable's resources.
    return RAST_LazyPNGResource(module, id);
}
