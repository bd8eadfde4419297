// Host notices on Windows: a message-only window made on the thread that
// initialises the plug-in (the host's UI thread); a notice posts it a
// message, and the host's message loop delivers it once the host's call has
// returned. Until that thread is seen handling a message, and after it has
// ended, the module's own thread delivers what waits longer than
// kFallbackMs.
//
// The window is a system class's ("STATIC") with our procedure set on it, so
// the module registers no class; taken down on another thread, it gets its
// own procedure back and is closed by its own thread, so no procedure of ours
// is left behind when the module unloads.
#pragma once

#include <memory>
#include <windows.h>

#include "HostNotifier.h"

class HostNotifierWin : public HostNotifier {
public:
    static constexpr int kFallbackMs = 50;

    HostNotifierWin();
    ~HostNotifierWin() override;

    // What the window procedure finds for its window.
    struct Route;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Schedule() override;

    std::shared_ptr<Route> route;
    HWND window = nullptr;
    DWORD thread = 0;
    WNDPROC original = nullptr;
};
