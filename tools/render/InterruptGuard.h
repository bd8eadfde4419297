#pragma once

#include <csignal>

namespace tonewell::render {

// While alive, Ctrl-C, SIGTERM and SIGHUP only raise a flag, so the render
// stops between blocks and unwinds normally, removing its temporary file
// instead of leaving it behind. The previous handlers come back afterwards.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();

    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool Requested() { return requested_ != 0; }

private:
    static void Handle(int signal);
    static volatile std::sig_atomic_t requested_;

    struct sigaction previous_[3]{};
};

} // namespace tonewell::render
