#include <chrono>
#include <thread>

#include "UiLoop.h"

namespace tonewell::hostkit {

bool RunUiLoopUntil(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace tonewell::hostkit
