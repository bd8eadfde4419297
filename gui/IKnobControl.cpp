#include "IKnobControl.h"

#include <cmath>

namespace {
constexpr double kFineGearing = 10.0;
} // namespace

IKnobControl::IKnobControl(ICoreBase* plug, const IBounds& bounds, int paramIndex, int direction,
                           double gearing)
    : IControl(plug, bounds, paramIndex), direction(direction),
      gearing(std::isfinite(gearing) && gearing != 0.0 ? gearing : 1.0) {}

void IKnobControl::MouseDrag(int, int, int dX, int dY, const IMouseKeys& keys) {
    double g = gearing;
    if (keys.Fine()) g *= kFineGearing;
    // Minus the height, so that dragging up (negative dY) increases the value.
    const bool vertical = direction == kVertical;
    const double span =
        vertical ? double(bounds.top) - bounds.bottom : double(bounds.right) - bounds.left;
    // A knob without extent along its axis has nothing to measure the drag by.
    if (span == 0.0) return;
    value += (vertical ? dY : dX) / span / g;
    MarkDirty(true);
}
