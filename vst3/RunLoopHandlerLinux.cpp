#include "RunLoopHandlerLinux.h"

using namespace Steinberg;

RunLoopHandlerLinux::RunLoopHandlerLinux(IPtr<Linux::IRunLoop> loop, IEditorSurface& surface)
    : loop(std::move(loop)), surface(&surface) {}

IPtr<RunLoopHandlerLinux> RunLoopHandlerLinux::Register(IPtr<Linux::IRunLoop> loop,
                                                        IEditorSurface& surface) {
    const int descriptor = surface.EventDescriptor();
    if (!loop || descriptor < 0) return nullptr;
    IPtr<RunLoopHandlerLinux> handler = owned(new RunLoopHandlerLinux(loop, surface));
    handler->descriptor = descriptor;
    handler->watching =
        loop->registerEventHandler(static_cast<Linux::IEventHandler*>(handler.get()), descriptor) ==
        kResultOk;
    const int period = surface.TimerPeriodMs();
    handler->timing = handler->watching &&
                      loop->registerTimer(
                          static_cast<Linux::ITimerHandler*>(handler.get()),
                          static_cast<Linux::TimerInterval>(period > 0 ? period : 1)) == kResultOk;
    if (!handler->timing) {
        handler->Unregister();
        return nullptr;
    }
    return handler;
}

void RunLoopHandlerLinux::Unregister() {
    surface = nullptr;
    if (!loop) return;
    // Kept alive until the host has let go of it here.
    IPtr<RunLoopHandlerLinux> self(this);
    if (timing) loop->unregisterTimer(static_cast<Linux::ITimerHandler*>(this));
    if (watching) loop->unregisterEventHandler(static_cast<Linux::IEventHandler*>(this));
    timing = watching = false;
    loop = nullptr;
}

void PLUGIN_API RunLoopHandlerLinux::onFDIsSet(Linux::FileDescriptor) {
    IPtr<RunLoopHandlerLinux> self(this);
    if (surface) surface->HandlePendingEvents();
    CheckDescriptor();
}

void PLUGIN_API RunLoopHandlerLinux::onTimer() {
    IPtr<RunLoopHandlerLinux> self(this);
    if (surface) surface->OnTimer();
    CheckDescriptor();
}

void RunLoopHandlerLinux::CheckDescriptor() {
    if (!surface || !watching || !loop || surface->EventDescriptor() == descriptor) return;
    watching = false;
    loop->unregisterEventHandler(static_cast<Linux::IEventHandler*>(this));
}

tresult PLUGIN_API RunLoopHandlerLinux::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid)) {
        addRef();
        *obj = static_cast<Linux::IEventHandler*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid)) {
        addRef();
        *obj = static_cast<Linux::ITimerHandler*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API RunLoopHandlerLinux::addRef() {
    return ++references;
}

uint32 PLUGIN_API RunLoopHandlerLinux::release() {
    const uint32 left = --references;
    if (left == 0) delete this;
    return left;
}
