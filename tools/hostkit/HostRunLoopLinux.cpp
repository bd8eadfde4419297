#include "HostRunLoopLinux.h"

#include <algorithm>
#include <poll.h>

namespace tonewell::hostkit {

using namespace Steinberg;

IPtr<HostRunLoopLinux> HostRunLoopLinux::Create() {
    return owned(new HostRunLoopLinux);
}

tresult PLUGIN_API HostRunLoopLinux::registerEventHandler(Linux::IEventHandler* handler,
                                                          Linux::FileDescriptor fd) {
    if (!handler || fd < 0) return kInvalidArgument;
    watches_.push_back({nextSerial_++, IPtr<Linux::IEventHandler>(handler), fd});
    return kResultOk;
}

tresult PLUGIN_API HostRunLoopLinux::unregisterEventHandler(Linux::IEventHandler* handler) {
    const auto before = watches_.size();
    watches_.erase(std::remove_if(watches_.begin(), watches_.end(),
                                  [handler](const Watch& w) { return w.handler == handler; }),
                   watches_.end());
    return watches_.size() < before ? kResultOk : kInvalidArgument;
}

tresult PLUGIN_API HostRunLoopLinux::registerTimer(Linux::ITimerHandler* handler,
                                                   Linux::TimerInterval ms) {
    if (!handler || ms == 0) return kInvalidArgument;
    const auto period = std::chrono::milliseconds(std::min<Linux::TimerInterval>(ms, 1u << 30));
    timers_.push_back(
        {nextSerial_++, IPtr<Linux::ITimerHandler>(handler), period, Clock::now() + period});
    return kResultOk;
}

tresult PLUGIN_API HostRunLoopLinux::unregisterTimer(Linux::ITimerHandler* handler) {
    const auto before = timers_.size();
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [handler](const Timer& t) { return t.handler == handler; }),
                  timers_.end());
    return timers_.size() < before ? kResultOk : kInvalidArgument;
}

bool HostRunLoopLinux::Registered(const Watch& watch) const {
    return std::any_of(watches_.begin(), watches_.end(),
                       [&watch](const Watch& w) { return w.serial == watch.serial; });
}

HostRunLoopLinux::Timer* HostRunLoopLinux::FindTimer(std::uint64_t serial) {
    for (Timer& t : timers_)
        if (t.serial == serial) return &t;
    return nullptr;
}

void HostRunLoopLinux::RunOnce(int timeoutMs) {
    const auto now = Clock::now();
    for (const Timer& t : timers_) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now);
        timeoutMs = std::clamp(static_cast<int>(wait.count()), 0, timeoutMs);
    }
    // Calls made from this round's lists: a handler may change the lists.
    const std::vector<Watch> watches = watches_;
    std::vector<pollfd> fds;
    for (const Watch& w : watches)
        fds.push_back({w.fd, POLLIN, 0});
    poll(fds.data(), fds.size(), timeoutMs);
    for (size_t i = 0; i < watches.size(); ++i) {
        if (!fds[i].revents || !Registered(watches[i])) continue;
        ++descriptorCalls_;
        watches[i].handler->onFDIsSet(watches[i].fd);
    }
    CallTimers(false);
}

void HostRunLoopLinux::FireTimers() {
    CallTimers(true);
}

void HostRunLoopLinux::CallTimers(bool all) {
    std::vector<std::uint64_t> due;
    for (const Timer& t : timers_)
        if (all || t.due <= Clock::now()) due.push_back(t.serial);
    for (std::uint64_t serial : due) {
        Timer* timer = FindTimer(serial);
        if (!timer) continue;
        timer->due = Clock::now() + timer->period;
        IPtr<Linux::ITimerHandler> handler = timer->handler;
        ++timerCalls_;
        handler->onTimer();
    }
}

void HostRunLoopLinux::RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

bool HostRunLoopLinux::RunUntil(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        RunOnce(static_cast<int>(std::max<long long>(0, left)));
        if (done()) return true;
        if (Clock::now() >= end) return false;
    }
}

bool HostRunLoopLinux::RunUntilQuiet(int ms) {
    return RunUntil(
        [this] {
            std::vector<pollfd> fds;
            for (const Watch& w : watches_)
                fds.push_back({w.fd, POLLIN, 0});
            return poll(fds.data(), fds.size(), 0) == 0;
        },
        ms);
}

tresult PLUGIN_API HostRunLoopLinux::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        addRef();
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API HostRunLoopLinux::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API HostRunLoopLinux::release() {
    const uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::hostkit
