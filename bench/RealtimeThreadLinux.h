// Puts the calling thread in the real-time FIFO class, as hosts run their
// audio threads, and back. Needs the privilege to do so; without it the
// thread stays as it is.
#pragma once

#include <pthread.h>
#include <sched.h>

class RealtimeThreadLinux {
public:
    // Low in the FIFO range, as audio threads usually are.
    explicit RealtimeThreadLinux(int priority = 10) {
        pthread_getschedparam(pthread_self(), &oldPolicy, &oldParam);
        sched_param param{};
        param.sched_priority = priority;
        active = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    }
    ~RealtimeThreadLinux() {
        if (active) pthread_setschedparam(pthread_self(), oldPolicy, &oldParam);
    }
    RealtimeThreadLinux(const RealtimeThreadLinux&) = delete;
    RealtimeThreadLinux& operator=(const RealtimeThreadLinux&) = delete;

    bool Active() const { return active; }

private:
    int oldPolicy = SCHED_OTHER;
    sched_param oldParam{};
    bool active = false;
};
