// What the host's run loop calls for an open editor window on Linux: the
// surface's events when its X connection is readable, and the surface's
// timer. Counted by reference, as the host may hold it for a while after it
// is unregistered; calls that come then do nothing.
#pragma once

#include <atomic>

#include "IEditorSurface.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

class RunLoopHandlerLinux : public Steinberg::Linux::IEventHandler,
                            public Steinberg::Linux::ITimerHandler {
public:
    // Registers the surface's descriptor and timer with loop; null, with
    // nothing left registered, when there is no descriptor or the host
    // refuses either.
    static Steinberg::IPtr<RunLoopHandlerLinux>
    Register(Steinberg::IPtr<Steinberg::Linux::IRunLoop> loop, IEditorSurface& surface);

    // Unregisters what is still registered and forgets the surface.
    void Unregister();

    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
    void PLUGIN_API onTimer() override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    RunLoopHandlerLinux(Steinberg::IPtr<Steinberg::Linux::IRunLoop> loop, IEditorSurface& surface);
    virtual ~RunLoopHandlerLinux() = default;
    // A descriptor the surface no longer offers (its connection broke) is
    // unregistered: the host would report it readable for ever.
    void CheckDescriptor();

    Steinberg::IPtr<Steinberg::Linux::IRunLoop> loop;
    IEditorSurface* surface;
    int descriptor = -1;
    bool watching = false;
    bool timing = false;
    std::atomic<Steinberg::uint32> references{1};
};
