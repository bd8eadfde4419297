// A multi-state switch drawn from an image strip whose frames lie side by
// side: each left click steps to the next state, wrapping from the last to
// the first.
#pragma once

#include "IBitmapControl.h"

class ISwitchControl : public IBitmapControl {
public:
    // At (x, y), one frame in size.
    ISwitchControl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
                   const IBlend& blend = IBlend{});

    // Left button: the next state; right button: value entry.
    void MouseDown(int x, int y, const IMouseKeys& keys) override;
};
