#pragma once

#include <memory>
#include <mutex>

// The per-instance recursive lock. Engine hooks take it again when they are
// called from inside locked core operations, hence recursive.
//
// Where the platform has it, the lock passes on priority: a real-time audio
// thread waiting for it lends its priority to the holder. The editor's thread
// holds it for microseconds at a time, but if it is preempted meanwhile on a
// busy machine, without that loan the audio thread would wait until the
// scheduler happened to run the editor's thread again, milliseconds later.
class PluginLock {
public:
    PluginLock();
    ~PluginLock();
    PluginLock(const PluginLock&) = delete;
    PluginLock& operator=(const PluginLock&) = delete;

    // The standard library's lockable names, for the holders. Throws
    // std::system_error when the lock cannot be taken, as std::mutex does.
    void lock();
    void unlock();

    // Holds the lock for the lifetime of the holder.
    class Holder {
    public:
        explicit Holder(PluginLock& lock) : guard(lock) {}

    private:
        std::lock_guard<PluginLock> guard;
    };

    // Holds the lock when there is one to hold, and can give it up early.
    class OptionalHolder {
    public:
        explicit OptionalHolder(PluginLock* lock) {
            if (lock) guard = std::unique_lock<PluginLock>(*lock);
        }
        void Release() {
            if (guard.owns_lock()) guard.unlock();
        }

    private:
        std::unique_lock<PluginLock> guard;
    };

private:
    struct Mutex; // the platform's
    std::unique_ptr<Mutex> mutex;
};
