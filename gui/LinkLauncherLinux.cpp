#include "LinkLauncherLinux.h"

#include <algorithm>
#include <csignal>
#include <mutex>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {
constexpr const char* kProgram = "xdg-open";

struct Children {
    std::mutex lock;
    std::vector<pid_t> running;
};

Children& TheChildren() {
    static Children children;
    return children;
}

// Spawn attributes that give the child no blocked signals and every signal
// its default action, whatever the host set for its own threads.
class CleanSignals {
public:
    CleanSignals() {
        ready = posix_spawnattr_init(&attributes) == 0;
        if (!ready) return;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~CleanSignals() {
        if (ready) posix_spawnattr_destroy(&attributes);
    }
    CleanSignals(const CleanSignals&) = delete;
    CleanSignals& operator=(const CleanSignals&) = delete;
    const posix_spawnattr_t* Get() const { return ready ? &attributes : nullptr; }

private:
    posix_spawnattr_t attributes;
    bool ready = false;
};
} // namespace

bool LinkLauncherLinux::Open(const char* url) {
    if (!url || url[0] == '\0' || url[0] == '-') return false;
    Reap();
    const CleanSignals attributes;
    char program[] = "xdg-open";
    char* const arguments[] = {program, const_cast<char*>(url), nullptr};
    pid_t child = 0;
    // posix_spawnp reports a program that cannot be found or run.
    if (posix_spawnp(&child, kProgram, nullptr, attributes.Get(), arguments, environ) != 0)
        return false;
    Children& children = TheChildren();
    std::lock_guard<std::mutex> hold(children.lock);
    children.running.push_back(child);
    return true;
}

int LinkLauncherLinux::Reap() {
    Children& children = TheChildren();
    std::lock_guard<std::mutex> hold(children.lock);
    auto& running = children.running;
    running.erase(std::remove_if(running.begin(), running.end(),
                                 [](pid_t child) {
                                     int status = 0;
                                     // Done, or reaped already (a host that
                                     // ignores SIGCHLD): either way gone.
                                     return waitpid(child, &status, WNOHANG) != 0;
                                 }),
                  running.end());
    return static_cast<int>(running.size());
}
