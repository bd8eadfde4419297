#pragma once

#include <memory>

namespace tonewell::render {

// While alive, Ctrl-C (and on Linux SIGTERM and SIGHUP, on Windows
// Ctrl-Break) only raises a flag, so the work stops between blocks and
// unwinds normally, removing its temporary file instead of leaving it
// behind. The previous handlers come back afterwards.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();

    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once an interrupt came; safe from any thread.
    static bool Requested();

private:
    // The handlers in place before, as the platform keeps them.
    struct Previous;
    std::unique_ptr<Previous> previous_;
};

} // namespace tonewell::render
