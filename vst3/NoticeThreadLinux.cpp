// On Linux the thread is a joinable one: it is waited for before a new one
// starts and before the module goes (ModuleExit, or the module's static
// destruction when a host unloads it without calling ModuleExit).
#include <new>
#include <thread>

#include "NoticeThread.h"

namespace {

// Never destroyed: it is joined before the module's static objects go, and a
// static std::thread could be destroyed before the state that joins it.
std::thread& Thread() {
    alignas(std::thread) static unsigned char storage[sizeof(std::thread)];
    static std::thread* thread = new (storage) std::thread;
    return *thread;
}

} // namespace

bool NoticeThread::StartPlatformThread() {
    // Called with the state's lock held; a previous thread has left its
    // loop already, so joining it here never waits on that lock.
    std::thread& thread = Thread();
    if (thread.joinable()) thread.join();
    try {
        thread = std::thread(&NoticeThread::Run);
    } catch (...) {
        return false;
    }
    return true;
}

void NoticeThread::JoinPlatformThread() {
    std::thread& thread = Thread();
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) thread.join();
}
