// Host notices on Linux: carried by a timer on the host's run loop, asked of
// the component handler and else of an open editor's plug frame. Hosts that
// offer neither (Ardour 7 while no editor is open) get them from the module's
// own thread, once the host's call has returned.
#pragma once

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
    // none; without a loop the module's thread carries the notices.
    void ChooseLoop();

    Steinberg::IPtr<Steinberg::Linux::IRunLoop> handlerLoop, frameLoop, usedLoop;
    Steinberg::IPtr<LoopTimer> timer;
    bool hasHandler = false;
};
