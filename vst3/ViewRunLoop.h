// What drives the editor's window while a view shows it. Where the window
// runs its own timer and message dispatch (Windows) there is nothing to do,
// which is this class; where the host's run loop must drive it (Linux) the
// platform's subclass registers the window with that loop.
#pragma once

#include "IEditorSurface.h"
#include "pluginterfaces/gui/iplugview.h"

class ViewRunLoop {
public:
    ViewRunLoop() = default;
    virtual ~ViewRunLoop() = default;
    ViewRunLoop(const ViewRunLoop&) = delete;
    ViewRunLoop& operator=(const ViewRunLoop&) = delete;

    // Whether a window can be driven in a host with this plug frame.
    virtual bool Available(Steinberg::IPlugFrame* frame) const;
    // Starts driving the surface's open window; false when it cannot be
    // driven (the window did not open, or the host refused).
    virtual bool Start(Steinberg::IPlugFrame* frame, IEditorSurface& surface);
    // Stops driving it; safe to repeat.
    virtual void Stop();
};
