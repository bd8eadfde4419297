#include "IBitmapControl.h"

#include <algorithm>
#include <cmath>

#include "IGraphics.h"

IBitmapControl::IBitmapControl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
                               const IBlend& blend)
    : IBitmapControl(plug, IBounds::FromSize(x, y, image.width, image.height / image.FrameCount()),
                     paramIndex, image, blend, true) {}

IBitmapControl::IBitmapControl(ICoreBase* plug, const IBounds& bounds, int paramIndex,
                               const IImage& image, const IBlend& blend, bool stacked)
    : IControl(plug, bounds, paramIndex, blend), stacked(stacked), image(image) {}

int IBitmapControl::Frame() const {
    return FrameAt(value);
}

int IBitmapControl::FrameAt(double v) const {
    const int frames = image.FrameCount();
    if (frames < 2) return 1;
    // The value is clamped to 0..1 when marked dirty, but may be read before.
    const double position = std::trunc((frames - 1) * std::clamp(v, 0.0, 1.0) + 0.5);
    return std::clamp(static_cast<int>(position) + 1, 1, frames);
}

bool IBitmapControl::Paint(IGraphics& graphics) {
    return graphics.DrawImageFrame(image, bounds, FrameAt(drawnValue), &drawnBlend, stacked);
}
