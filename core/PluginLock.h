#pragma once

#include <mutex>

// The per-instance recursive lock. Engine hooks take it again when they are
// called from inside locked core operations, hence recursive.
class PluginLock {
public:
    PluginLock() = default;
    PluginLock(const PluginLock&) = delete;
    PluginLock& operator=(const PluginLock&) = delete;

    // Holds the lock for the lifetime of the holder.
    class Holder {
    public:
        explicit Holder(PluginLock& lock) : guard(lock.mutex) {}

    private:
        std::lock_guard<std::recursive_mutex> guard;
    };

    // Holds the lock when there is one to hold, and can give it up early.
    class OptionalHolder {
    public:
        explicit OptionalHolder(PluginLock* lock) {
            if (lock) guard = std::unique_lock<std::recursive_mutex>(lock->mutex);
        }
        void Release() {
            if (guard.owns_lock()) guard.unlock();
        }

    private:
        std::unique_lock<std::recursive_mutex> guard;
    };

private:
    std::recursive_mutex mutex;
};
