#include "EventRunner.h"

namespace tonewell::snapshot {

EventRunner::EventRunner(IGraphicsHeadless& surface) : surface(surface) {
    if (!surface.HasOpenWindow()) surface.OpenEditorWindow(nullptr);
    surface.Tick();
}

void EventRunner::Run(const ScriptEvent& event) {
    using Kind = ScriptEvent::Kind;
    // Script coordinates are layout coordinates, the same at every scale; the
    // window reports pixels.
    const int x = surface.ToPixels(event.x), y = surface.ToPixels(event.y);
    switch (event.kind) {
    case Kind::Press:
        surface.MouseDownAt(x, y, event.keys);
        break;
    case Kind::Release:
        surface.MouseUpAt(x, y, event.keys);
        break;
    case Kind::Drag:
        surface.MouseDragTo(x, y, event.keys);
        break;
    case Kind::Click:
        surface.MouseDownAt(x, y, event.keys);
        surface.MouseUpAt(x, y, event.keys);
        break;
    case Kind::DoubleClick:
        // The window sees the button go up after the second press whether or
        // not the surface took it as a press; that release ends the edit.
        surface.MouseDoubleClickAt(x, y, event.keys);
        surface.MouseUpAt(x, y, event.keys);
        break;
    case Kind::Wheel:
        surface.MouseWheelAt(x, y, event.keys, event.delta);
        break;
    case Kind::Over:
        surface.MouseOverAt(x, y, event.keys);
        break;
    case Kind::Leave:
        surface.MouseLeft();
        break;
    case Kind::Key:
        surface.KeyDownAt(x, y, event.key);
        break;
    case Kind::Tick:
        for (int i = 0; i < event.count; ++i)
            surface.Tick();
        break;
    case Kind::Paint:
        surface.RedrawAll();
        surface.Tick();
        break;
    }
}

void EventRunner::Run(const std::vector<ScriptEvent>& events) {
    for (const ScriptEvent& event : events)
        Run(event);
}

const RAST_MemBitmap& EventRunner::Finish() {
    surface.Tick();
    return surface.Screen();
}

} // namespace tonewell::snapshot
