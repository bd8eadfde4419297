// Host notices on Linux: carried by a timer on the host's run loop, asked of
// the component handler and else of an open editor's plug frame. Hosts that
// offer neither (Ardour 7 while no editor is open) get them from a thread of
// the module's own, started when such a handler is set, once the host's call
// has returned.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "HostNotifier.h"

class HostNotifierLinux : public HostNotifier {
public:
    // How often the run loop's timer looks for waiting notices.
    static constexpr int kTimerPeriodMs = 10;

    HostNotifierLinux() = default;
    ~HostNotifierLinux() override;

    void SetEditorFrame(Steinberg::IPlugFrame* frame) override;

private:
    class LoopTimer;

    void HandlerChanged(Steinberg::Vst::IComponentHandler* handler) override;
    void Schedule() override;
    // Registers the timer with the handler's loop, else the frame's, else
    // none; starts the thread when notices have no loop to go by.
    void ChooseLoop();
    void StartThread();
    void StopThread();
    void ThreadMain();

    Steinberg::IPtr<Steinberg::Linux::IRunLoop> handlerLoop, frameLoop, usedLoop;
    Steinberg::IPtr<LoopTimer> timer;
    bool hasHandler = false;
    std::atomic<bool> loopCarries{false};

    std::thread thread;
    std::mutex threadMutex;
    std::condition_variable wake;
    bool woken = false;
    bool stopping = false;
};
