#include "NoticeThread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

struct ThreadState {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::shared_ptr<NoticeChannel>> channels;
    bool running = false;
    bool woken = false;
    bool stopping = false;

    // The module is going (its static objects are destroyed as it unloads):
    // the thread ends first, where the platform lets us wait for it.
    ~ThreadState() {
        {
            std::lock_guard<std::mutex> hold(mutex);
            stopping = true;
        }
        wake.notify_all();
        NoticeThread::JoinPlatformThread();
    }
};

ThreadState& State() {
    static ThreadState state;
    return state;
}

} // namespace

void NoticeThread::Watch(const std::shared_ptr<NoticeChannel>& channel) {
    if (!channel) return;
    {
        ThreadState& state = State();
        std::lock_guard<std::mutex> hold(state.mutex);
        if (std::find(state.channels.begin(), state.channels.end(), channel) ==
            state.channels.end())
            state.channels.push_back(channel);
    }
    if (channel->Waiting()) Wake();
}

void NoticeThread::Unwatch(const NoticeChannel* channel) {
    std::shared_ptr<NoticeChannel> last;
    ThreadState& state = State();
    {
        std::lock_guard<std::mutex> hold(state.mutex);
        const auto found =
            std::find_if(state.channels.begin(), state.channels.end(),
                         [channel](const auto& watched) { return watched.get() == channel; });
        if (found == state.channels.end()) return;
        last = std::move(*found);
        state.channels.erase(found);
        state.woken = true;
    }
    // An idle thread with nothing left to watch ends.
    state.wake.notify_all();
}

void NoticeThread::Wake() {
    ThreadState& state = State();
    {
        std::lock_guard<std::mutex> hold(state.mutex);
        state.woken = true;
        if (!state.running && !state.stopping && !state.channels.empty()) {
            // A thread that cannot start leaves the notices to the host's loop.
            state.running = StartPlatformThread();
        }
    }
    state.wake.notify_all();
}

void NoticeThread::Shutdown() {
    ThreadState& state = State();
    {
        std::lock_guard<std::mutex> hold(state.mutex);
        state.stopping = true;
    }
    state.wake.notify_all();
    JoinPlatformThread();
    std::lock_guard<std::mutex> hold(state.mutex);
    state.stopping = false;
}

void NoticeThread::Run() {
    ThreadState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    std::vector<std::shared_ptr<NoticeChannel>> channels;
    while (!state.stopping && !state.channels.empty()) {
        state.woken = false;
        channels = state.channels;
        lock.unlock();
        auto next = NoticeChannel::Clock::time_point::max();
        for (const auto& channel : channels) {
            const auto due = channel->ThreadDue();
            if (due <= NoticeChannel::Clock::now())
                channel->Deliver();
            else
                next = std::min(next, due);
        }
        // A channel is never kept alive here while the thread waits.
        channels.clear();
        lock.lock();
        if (state.woken || state.stopping) continue;
        if (next == NoticeChannel::Clock::time_point::max())
            state.wake.wait(lock, [&state] { return state.woken || state.stopping; });
        else
            state.wake.wait_until(lock, next, [&state] { return state.woken || state.stopping; });
    }
    state.running = false;
}
