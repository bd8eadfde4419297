#include "InterruptGuard.h"

namespace tonewell::render {

namespace {
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
}

volatile std::sig_atomic_t InterruptGuard::requested_ = 0;

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = &InterruptGuard::Handle;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &previous_[i], nullptr);
}

void InterruptGuard::Handle(int) {
    requested_ = 1;
}

} // namespace tonewell::render
