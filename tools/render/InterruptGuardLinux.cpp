#include <atomic>
#include <csignal>

#include "InterruptGuard.h"

namespace tonewell::render {

namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free, so a signal handler may set it.
std::atomic<bool> requested{false};

void Handle(int) {
    requested.store(true, std::memory_order_relaxed);
}

} // namespace

struct InterruptGuard::Previous {
    struct sigaction actions[3]{};
};

InterruptGuard::InterruptGuard() : previous_(std::make_unique<Previous>()) {
    struct sigaction action {};
    action.sa_handler = &Handle;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &previous_->actions[i]);
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &previous_->actions[i], nullptr);
}

bool InterruptGuard::Requested() {
    return requested.load(std::memory_order_relaxed);
}

} // namespace tonewell::render
