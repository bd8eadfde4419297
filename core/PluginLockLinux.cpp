#include <pthread.h>
#include <system_error>

#include "PluginLock.h"

struct PluginLock::Mutex {
    pthread_mutex_t handle;
};

PluginLock::PluginLock() : mutex(std::make_unique<Mutex>()) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    int error = pthread_mutex_init(&mutex->handle, &attributes);
    if (error != 0) {
        // A system without priority inheritance still gets a recursive lock.
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_NONE);
        error = pthread_mutex_init(&mutex->handle, &attributes);
    }
    pthread_mutexattr_destroy(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category(), "plug-in lock");
}

PluginLock::~PluginLock() {
    pthread_mutex_destroy(&mutex->handle);
}

void PluginLock::lock() {
    if (const int error = pthread_mutex_lock(&mutex->handle))
        throw std::system_error(error, std::generic_category(), "plug-in lock");
}

void PluginLock::unlock() {
    pthread_mutex_unlock(&mutex->handle);
}
