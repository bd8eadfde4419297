// The base of the knobs: a control turned by dragging the pointer, up or to
// the right to increase. Gearing slows the turn; with gearing 1 a drag over
// the knob's full height (or width) covers the whole range.
#pragma once

#include <cstdint>

#include "IControl.h"

class IKnobControl : public IControl {
public:
    enum Direction : int32_t { kVertical = 0, kHorizontal = 1 };

    // Any direction other than kVertical drags horizontally. A gearing of 0
    // or one that is not finite would stop or break the drag; it counts as 1.
    IKnobControl(ICoreBase* plug, const IBounds& bounds, int paramIndex, int direction,
                 double gearing);

    // Moves the value by the drag along the knob's axis, relative to its
    // size; shift or control makes the turn ten times finer.
    void MouseDrag(int x, int y, int dX, int dY, const IMouseKeys& keys) override;

    int Direction() const { return direction; }
    double Gearing() const { return gearing; }

protected:
    int32_t direction;
    double gearing;
};
