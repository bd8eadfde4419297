// Plays scripted events on a headless editor surface the way a window would
// deliver them, and lets the redraw timer paint what they changed.
#pragma once

#include <vector>

#include "IGraphicsHeadless.h"
#include "ScriptEvent.h"

namespace tonewell::snapshot {

class EventRunner {
public:
    // Opens the surface's (pretended) window and paints it once. The surface
    // must have been attached to its plug-in core, so it can draw.
    explicit EventRunner(IGraphicsHeadless& surface);

    void Run(const ScriptEvent& event);
    void Run(const std::vector<ScriptEvent>& events);
    // One more timer tick, so the screen shows everything the events
    // changed, and the screen.
    const RAST_MemBitmap& Finish();

    IGraphicsHeadless& Surface() const { return surface; }

private:
    IGraphicsHeadless& surface;
};

} // namespace tonewell::snapshot
