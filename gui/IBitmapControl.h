// A control that shows one frame of an image strip, chosen by its value:
// frame 1 at value 0, the last frame at value 1.
#pragma once

#include "IControl.h"
#include "IImage.h"

class IBitmapControl : public IControl {
public:
    // At (x, y), one frame in size; the frames are stacked vertically.
    IBitmapControl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
                   const IBlend& blend = IBlend{});
    // Covering bounds, for the background and for strips laid out side by side.
    IBitmapControl(ICoreBase* plug, const IBounds& bounds, int paramIndex, const IImage& image,
                   const IBlend& blend, bool stacked);

    bool Paint(IGraphics& graphics) override;

    // The 1-based frame the current value shows.
    int Frame() const;
    const IImage& Image() const { return image; }
    bool Stacked() const { return stacked; }

protected:
    int FrameAt(double v) const;

    bool stacked;
    IImage image;
};
