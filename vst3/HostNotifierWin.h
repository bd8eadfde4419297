// Host notices on Windows: a message-only window made on the host's UI thread
// when the plug-in is initialised; a notice posts it a message, and the
// host's message loop delivers it once the host's call has returned.
#pragma once

#include <windows.h>

#include "HostNotifier.h"

class HostNotifierWin : public HostNotifier {
public:
    HostNotifierWin();
    ~HostNotifierWin() override;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Schedule() override;

    HWND window = nullptr;
    DWORD thread = 0;
    std::atomic<bool> posted{false};
};
