#pragma once

#include <cstdint>
#include <string>

namespace tonewell::standalone {

// Keeps a second window of the program from opening beside the first: both
// would leave their state in the same file, and the later one would undo the
// other's. Held from construction to destruction.
class InstanceLock {
public:
    // Takes the lock that goes with the state file at `statePath`. Throws
    // PlayError when another program holds it; a lock that cannot be made
    // at all (an unwritable folder) is not held, and saving says why later.
    explicit InstanceLock(const std::string& statePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    static constexpr const char* kHeldMessage =
        "another Tonewell window is open, and only one can keep its state; close it, "
        "or play with --no-window";

private:
    // A file descriptor on Linux, a mutex handle on Windows; -1 when none.
    std::intptr_t handle_ = -1;
};

} // namespace tonewell::standalone
