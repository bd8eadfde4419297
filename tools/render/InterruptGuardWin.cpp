#include <atomic>
#include <windows.h>

#include "InterruptGuard.h"

namespace tonewell::render {

namespace {

// Set on the thread Windows starts for the console's control events.
std::atomic<bool> requested{false};

BOOL WINAPI Handle(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    requested.store(true, std::memory_order_relaxed);
    return TRUE;
}

} // namespace

// Windows keeps a list of console handlers: adding ours in front and taking
// it out again restores the others, so there is nothing to keep.
struct InterruptGuard::Previous {};

InterruptGuard::InterruptGuard() {
    SetConsoleCtrlHandler(&Handle, TRUE);
}

InterruptGuard::~InterruptGuard() {
    SetConsoleCtrlHandler(&Handle, FALSE);
}

bool InterruptGuard::Requested() {
    return requested.load(std::memory_order_relaxed);
}

} // namespace tonewell::render
