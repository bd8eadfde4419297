#pragma once

#include <functional>

namespace tonewell::hostkit {

// Turns the calling thread's UI loop, as a host's main thread does between
// its calls into a plug-in: window messages on Windows (a plug-in may post
// itself work there); on Linux, where this host kit offers plug-ins no run
// loop of the thread's own, it only waits. Stops when done() holds (checked
// after every turn) or ms have passed; true when done() held.
bool RunUiLoopUntil(const std::function<bool()>& done, int ms);

} // namespace tonewell::hostkit
