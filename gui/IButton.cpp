#include "IButton.h"

#include <algorithm>
#include <cmath>

#include "IGraphics.h"

IButton::IButton(ICoreBase* plug, int paramIndex, int x, int y, const IImage& image, float hoverDim)
    : IControl(plug, IBounds::FromSize(x, y, image.width, image.height / image.FrameCount()),
               paramIndex),
      image(image),
      // An opacity; a value the blitter cannot use shows the hover state not at all.
      hoverDim(std::isnan(hoverDim) ? 0.0f : std::clamp(hoverDim, 0.0f, 1.0f)) {}

void IButton::MouseDown(int, int, const IMouseKeys& keys) {
    if (!keys.right) value = value <= 0.5 ? 1.0 : 0.0;
    MarkDirty(true);
}

void IButton::MouseOver(int, int, const IMouseKeys&) {
    SetHover(hover, true);
}

void IButton::MouseOut() {
    SetHover(hover, false);
}

bool IButton::Paint(IGraphics& graphics) {
    const bool on = drawnValue > 0.5;
    if (!on && !hover) return true;
    if (on && !hover) return graphics.DrawImageFrame(image, bounds, 1, nullptr, true);
    const IBlend dimmed{IBlend::kSourceAlpha, on ? 1.0f - hoverDim : hoverDim};
    return graphics.DrawImageFrame(image, bounds, 1, &dimmed, true);
}
