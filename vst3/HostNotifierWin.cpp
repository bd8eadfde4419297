#include "HostNotifierWin.h"

#include <mutex>

#include "ModuleHandle.h"

namespace {

constexpr const char* kClassName = "TonewellHostNotifier";
constexpr UINT kDeliverMessage = WM_APP + 1;

// The class is shared by every instance of the module and goes with the last.
std::mutex classMutex;
int classUsers = 0;

HINSTANCE Instance() {
    return static_cast<HINSTANCE>(ModuleHandle());
}

} // namespace

std::unique_ptr<HostNotifier> HostNotifier::Create() {
    return std::make_unique<HostNotifierWin>();
}

HostNotifierWin::HostNotifierWin() : thread(GetCurrentThreadId()) {
    std::lock_guard<std::mutex> hold(classMutex);
    if (classUsers == 0) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &HostNotifierWin::Procedure;
        wc.hInstance = Instance();
        wc.lpszClassName = kClassName;
        // A registration left behind by an earlier load is replaced, so the
        // class runs this module's code.
        if (!RegisterClassExA(&wc)) {
            UnregisterClassA(kClassName, Instance());
            if (!RegisterClassExA(&wc)) return;
        }
    }
    window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(),
                             nullptr);
    if (!window) {
        if (classUsers == 0) UnregisterClassA(kClassName, Instance());
        return;
    }
    ++classUsers;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HostNotifierWin::~HostNotifierWin() {
    if (!window) return;
    // Messages still queued find no notifier.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    std::lock_guard<std::mutex> hold(classMutex);
    if (GetCurrentThreadId() == thread) {
        DestroyWindow(window);
    } else {
        // Only its own thread can destroy it: the default handling of
        // WM_CLOSE does so there.
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (--classUsers == 0) UnregisterClassA(kClassName, Instance());
}

void HostNotifierWin::Schedule() {
    if (window && !posted.exchange(true)) {
        if (!PostMessageA(window, kDeliverMessage, 0, 0)) posted = false;
    }
}

LRESULT CALLBACK HostNotifierWin::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kDeliverMessage) {
        if (auto* self =
                reinterpret_cast<HostNotifierWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            self->posted = false;
            self->Deliver();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
