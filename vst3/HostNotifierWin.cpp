#include "HostNotifierWin.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "ModuleHandle.h"
#include "NoticeThread.h"

struct HostNotifierWin::Route {
    HWND window = nullptr;
    std::shared_ptr<NoticeChannel> channel;
    std::atomic<bool> posted{false};
    // The window's thread has handled a message of ours: it pumps.
    std::atomic<bool> pumping{false};
    std::atomic<bool> windowAlive{true};
};

namespace {

constexpr UINT kDeliverMessage = WM_APP + 1;

// The system class's own procedure, which everything else goes to.
std::atomic<WNDPROC> classProcedure{nullptr};

LRESULT PassOn(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC procedure = classProcedure.load();
    return procedure ? CallWindowProcA(procedure, hwnd, msg, wParam, lParam)
                     : DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Every live window of ours and its route; the procedure looks here, so it
// never touches a notifier that has gone.
std::mutex& RoutesMutex() {
    static std::mutex mutex;
    return mutex;
}
std::vector<std::shared_ptr<HostNotifierWin::Route>>& Routes() {
    static std::vector<std::shared_ptr<HostNotifierWin::Route>> routes;
    return routes;
}

std::shared_ptr<HostNotifierWin::Route> RouteOf(HWND window) {
    std::lock_guard<std::mutex> hold(RoutesMutex());
    for (const auto& route : Routes())
        if (route->window == window) return route;
    return nullptr;
}

void Forget(const HostNotifierWin::Route* route) {
    std::lock_guard<std::mutex> hold(RoutesMutex());
    auto& routes = Routes();
    routes.erase(std::remove_if(routes.begin(), routes.end(),
                                [route](const auto& known) { return known.get() == route; }),
                 routes.end());
}

// The module's thread steps in for a window whose thread does not (yet)
// deliver: at once when the window is gone, after a grace period when its
// thread has not been seen pumping, never when it has.
void RouteToThread(HostNotifierWin::Route& route) {
    const int delay = !route.windowAlive ? 0
                      : route.pumping    ? NoticeChannel::kNotByThread
                                         : HostNotifierWin::kFallbackMs;
    route.channel->SetThreadDelay(delay);
    if (delay == NoticeChannel::kNotByThread)
        NoticeThread::Unwatch(route.channel.get());
    else
        NoticeThread::Watch(route.channel);
}

} // namespace

std::unique_ptr<HostNotifier> HostNotifier::Create() {
    return std::make_unique<HostNotifierWin>();
}

HostNotifierWin::HostNotifierWin()
    : route(std::make_shared<Route>()), thread(GetCurrentThreadId()) {
    route->channel = channel;
    window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             static_cast<HINSTANCE>(ModuleHandle()), nullptr);
    if (window) {
        route->window = window;
        {
            std::lock_guard<std::mutex> hold(RoutesMutex());
            Routes().push_back(route);
        }
        original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostNotifierWin::Procedure)));
        if (original) classProcedure = original;
        if (!original) {
            Forget(route.get());
            DestroyWindow(window);
            window = nullptr;
        }
    }
    if (!window) route->windowAlive = false;
    RouteToThread(*route);
}

HostNotifierWin::~HostNotifierWin() {
    Close();
    Forget(route.get());
    if (!window || !route->windowAlive) return;
    if (GetCurrentThreadId() == thread) {
        DestroyWindow(window);
    } else {
        // Only its own thread can destroy it: given back its class's
        // procedure, it closes there when that thread next pumps or ends.
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void HostNotifierWin::Schedule() {
    if (route->windowAlive && !route->posted.exchange(true)) {
        if (!PostMessageA(window, kDeliverMessage, 0, 0)) {
            route->posted = false;
            route->windowAlive = false;
            RouteToThread(*route);
        }
    }
    if (route->channel->ThreadDelay() != NoticeChannel::kNotByThread) NoticeThread::Wake();
}

LRESULT CALLBACK HostNotifierWin::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<Route> route = RouteOf(hwnd);
    if (!route) return PassOn(hwnd, msg, wParam, lParam);
    if (msg == kDeliverMessage) {
        route->posted = false;
        if (!route->pumping.exchange(true)) RouteToThread(*route);
        route->channel->Deliver();
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        // Its thread ends (or the window is destroyed under us): the
        // module's thread carries what comes.
        route->windowAlive = false;
        Forget(route.get());
        RouteToThread(*route);
        if (route->channel->Waiting()) NoticeThread::Wake();
    }
    return PassOn(hwnd, msg, wParam, lParam);
}
