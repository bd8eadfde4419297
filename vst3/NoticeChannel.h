// What one plug-in instance's host notices share between the instance, the
// host's UI loop and the module's delivery thread: the component handler,
// the flags waiting for it and the host's calls in progress. Whoever
// delivers holds the channel, never the instance, so a delivery cannot reach
// an instance that has gone.
//
// The rules every delivery keeps, on whatever thread it runs:
// - it starts only while no host call into the instance is in progress (a
//   host may hold a lock there that its answer takes again);
// - it starts only while the handler it calls is still the instance's: once
//   SetHandler has returned, no call to the previous handler starts;
// - flags posted before it are merged into its one call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

class NoticeChannel {
public:
    using Clock = std::chrono::steady_clock;
    // How long SetHandler waits for a delivery under way on another thread.
    // One that takes longer is blocked by the host itself (a lock it holds
    // around this call, say): waiting on would hang the host.
    static constexpr int kDeliveryWaitMs = 500;
    // The module's thread never delivers this channel's notices.
    static constexpr int kNotByThread = -1;

    // Replaces the handler (null: none) and drops what waits for the old
    // one. On return no call to the old handler starts, and a call already
    // under way on another thread has returned (within kDeliveryWaitMs).
    void SetHandler(Steinberg::Vst::IComponentHandler* handler);
    // Merges flags into what waits.
    void Post(Steinberg::int32 flags);
    // Sends what waits to the handler on the calling thread, if the rules
    // allow it now; true when the host was called.
    bool Deliver();

    void EnterHostCall();
    // True when this ended the last host call in progress and notices wait.
    bool LeaveHostCall();
    bool Waiting() const;
    bool InsideHostCall() const;

    // When the module's thread may deliver a waiting notice: so many
    // milliseconds after it was posted (0: at once), or kNotByThread.
    void SetThreadDelay(int ms) { threadDelayMs.store(ms); }
    int ThreadDelay() const { return threadDelayMs.load(); }
    // When the module's thread should deliver: Clock::time_point::max() when
    // it should not (nothing waits, no handler, a host call in progress, or
    // the notices go another way).
    Clock::time_point ThreadDue() const;

private:
    mutable std::mutex mutex;
    std::condition_variable deliveryEnded;
    Steinberg::IPtr<Steinberg::Vst::IComponentHandler> handler;
    Steinberg::int32 pending = 0;
    Clock::time_point postedAt;
    int hostCalls = 0;
    // The threads of the deliveries under way (a handler set from inside a
    // restart must not wait for that restart).
    std::vector<std::thread::id> deliveringThreads;
    std::atomic<int> threadDelayMs{kNotByThread};
};
