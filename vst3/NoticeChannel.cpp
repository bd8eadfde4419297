#include "NoticeChannel.h"

#include <algorithm>

using namespace Steinberg;

void NoticeChannel::SetHandler(Vst::IComponentHandler* newHandler) {
    IPtr<Vst::IComponentHandler> old;
    std::unique_lock<std::mutex> lock(mutex);
    old = handler;
    handler = newHandler;
    pending = 0;
    // Deliveries to an earlier handler were waited for when it was replaced.
    if (!old) return;
    // A delivery that started before holds its own reference to the old
    // handler; one on this very thread is the host's call we are inside.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kDeliveryWaitMs);
    deliveryEnded.wait_until(lock, deadline, [this] {
        const auto self = std::this_thread::get_id();
        return std::all_of(deliveringThreads.begin(), deliveringThreads.end(),
                           [self](std::thread::id thread) { return thread == self; });
    });
    lock.unlock();
    // The old handler is released outside the lock: the host may do anything
    // in its release.
}

void NoticeChannel::Post(int32 flags) {
    if (flags == 0) return;
    std::lock_guard<std::mutex> hold(mutex);
    if (pending == 0) postedAt = Clock::now();
    pending |= flags;
}

bool NoticeChannel::Deliver() {
    IPtr<Vst::IComponentHandler> target;
    int32 flags = 0;
    {
        std::lock_guard<std::mutex> hold(mutex);
        if (pending == 0 || !handler || hostCalls > 0) return false;
        flags = pending;
        pending = 0;
        target = handler;
        deliveringThreads.push_back(std::this_thread::get_id());
    }
    // No lock of ours is held while the host runs: it may post, replace its
    // handler or terminate from inside this call.
    target->restartComponent(flags);
    // Let go of the handler before the delivery counts as ended: the host
    // may free it as soon as SetHandler returns.
    target = nullptr;
    {
        std::lock_guard<std::mutex> hold(mutex);
        deliveringThreads.erase(std::find(deliveringThreads.begin(), deliveringThreads.end(),
                                          std::this_thread::get_id()));
    }
    deliveryEnded.notify_all();
    return true;
}

void NoticeChannel::EnterHostCall() {
    std::lock_guard<std::mutex> hold(mutex);
    ++hostCalls;
}

bool NoticeChannel::LeaveHostCall() {
    std::lock_guard<std::mutex> hold(mutex);
    return --hostCalls == 0 && pending != 0;
}

bool NoticeChannel::Waiting() const {
    std::lock_guard<std::mutex> hold(mutex);
    return pending != 0;
}

bool NoticeChannel::InsideHostCall() const {
    std::lock_guard<std::mutex> hold(mutex);
    return hostCalls > 0;
}

NoticeChannel::Clock::time_point NoticeChannel::ThreadDue() const {
    const int delay = threadDelayMs.load();
    std::lock_guard<std::mutex> hold(mutex);
    if (delay < 0 || pending == 0 || !handler || hostCalls > 0) return Clock::time_point::max();
    return postedAt + std::chrono::milliseconds(delay);
}
