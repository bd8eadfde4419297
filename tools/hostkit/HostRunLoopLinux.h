#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <vector>

namespace tonewell::hostkit {

// The run loop a Linux host hands to plug-in views through its plug frame: a
// poll loop over the registered file descriptors and timers, run on the
// calling thread for as long as the host asks. Handlers may register and
// unregister anything from inside their calls.
class HostRunLoopLinux : public Steinberg::Linux::IRunLoop {
public:
    static Steinberg::IPtr<HostRunLoopLinux> Create();

    // Runs the loop for ms milliseconds: readable descriptors call their
    // handlers, due timers theirs.
    void RunFor(int ms);
    // Runs until done() holds (checked after every round) or ms pass; true
    // when done() held.
    bool RunUntil(const std::function<bool()>& done, int ms);
    // Runs until no registered descriptor is readable (or ms pass): what was
    // sent to the handlers' connections before has been read.
    bool RunUntilQuiet(int ms);
    // Calls every timer's handler once now, before any descriptor is polled:
    // a round of a host that serves its timers first.
    void FireTimers();

    int EventHandlerCount() const { return static_cast<int>(watches_.size()); }
    int TimerCount() const { return static_cast<int>(timers_.size()); }
    // Calls made so far, by kind.
    int DescriptorCalls() const { return descriptorCalls_; }
    int TimerCalls() const { return timerCalls_; }

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    using Clock = std::chrono::steady_clock;
    struct Watch {
        std::uint64_t serial;
        Steinberg::IPtr<Steinberg::Linux::IEventHandler> handler;
        int fd;
    };
    struct Timer {
        std::uint64_t serial;
        Steinberg::IPtr<Steinberg::Linux::ITimerHandler> handler;
        Clock::duration period;
        Clock::time_point due;
    };

    HostRunLoopLinux() = default;
    virtual ~HostRunLoopLinux() = default;
    // One poll of at most timeoutMs, then the calls it made due.
    void RunOnce(int timeoutMs);
    // Calls the handlers of the timers that are due (all: of every timer).
    void CallTimers(bool all);
    bool Registered(const Watch& watch) const;
    Timer* FindTimer(std::uint64_t serial);

    std::vector<Watch> watches_;
    std::vector<Timer> timers_;
    std::uint64_t nextSerial_ = 1;
    int descriptorCalls_ = 0;
    int timerCalls_ = 0;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::hostkit
