// One step of a scripted session with the editor: a pointer or key event,
// timer ticks or a full repaint.
#pragma once

#include "IMouseKeys.h"

namespace tonewell::snapshot {

struct ScriptEvent {
    enum class Kind {
        Press,       // button down at (x, y)
        Release,     // button up at (x, y)
        Drag,        // pointer moved to (x, y) with the button held
        Click,       // press and release at (x, y)
        DoubleClick, // the second click of a double click at (x, y), released
        Wheel,       // wheel turned by delta notches at (x, y)
        Over,        // pointer moved to (x, y) without a button
        Leave,       // pointer left the window
        Key,         // key code pressed with the pointer at (x, y)
        Tick,        // count frames of the redraw timer
        Paint,       // everything repainted
    };

    Kind kind = Kind::Tick;
    int x = 0, y = 0;
    IMouseKeys keys;
    double delta = 0.0;
    int key = 0;
    int count = 1;
    int line = 0; // where the event was written, for messages
};

} // namespace tonewell::snapshot
