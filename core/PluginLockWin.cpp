#include "PluginLock.h"

// Windows has no priority-inheriting lock for user code; the standard one.
struct PluginLock::Mutex {
    std::recursive_mutex handle;
};

PluginLock::PluginLock() : mutex(std::make_unique<Mutex>()) {}

PluginLock::~PluginLock() = default;

void PluginLock::lock() {
    mutex->handle.lock();
}

void PluginLock::unlock() {
    mutex->handle.unlock();
}
