// The host's run loop drives the editor's X11 window: the host hands out
// Steinberg::Linux::IRunLoop through its plug frame, and the window's
// connection descriptor and timer are registered with it while a view shows
// the window. A host without a run loop gets no window.
#pragma once

#include "RunLoopHandlerLinux.h"
#include "ViewRunLoop.h"

class ViewRunLoopLinux : public ViewRunLoop {
public:
    ViewRunLoopLinux() = default;
    ~ViewRunLoopLinux() override;

    bool Available(Steinberg::IPlugFrame* frame) const override;
    bool Start(Steinberg::IPlugFrame* frame, IEditorSurface& surface) override;
    void Stop() override;

private:
    static Steinberg::IPtr<Steinberg::Linux::IRunLoop> RunLoopOf(Steinberg::IPlugFrame* frame);

    Steinberg::IPtr<RunLoopHandlerLinux> handler;
};
