#include "ISwitchLbl.h"

#include <algorithm>

#include "IGraphics.h"
#include "PixelMath.h"
#include "ValueLabel.h"

namespace {
// Past the last state (with a little room for rounding) the switch wraps.
constexpr double kWrapAbove = 1.001;

int FrameExtent(int extent, int frames) {
    return RoundPixel(double(extent) / frames);
}
} // namespace

ISwitchLbl::ISwitchLbl(ICoreBase* plug, int x, int y, int paramIndex, const IImage& image,
                       const ITextStyle& style, int slotWidth, const IBlend& blend, float hoverDim)
    : IControl(
          plug,
          IBounds::FromSize(
              x, y,
              slotWidth > 0 ? slotWidth : std::max(FrameExtent(image.width, image.FrameCount()), 0),
              SaturateInt(int64_t{std::max(image.height, 0)} + std::max(style.size, 0))),
          paramIndex, blend),
      style(style), image(image), slotWidth(std::max(slotWidth, 0)), hoverDim(hoverDim) {}

void ISwitchLbl::MouseDown(int x, int y, const IMouseKeys& keys) {
    if (keys.right) {
        IControl::MouseDown(x, y, keys);
    } else {
        const int frames = image.FrameCount();
        value += frames < 2 ? 1.0 : 1.0 / (frames - 1);
    }
    if (value > kWrapAbove) value = 0.0;
    MarkDirty(true);
}

void ISwitchLbl::MouseOver(int, int, const IMouseKeys&) {
    SetHover(hover, true);
}

void ISwitchLbl::MouseOut() {
    SetHover(hover, false);
}

int ISwitchLbl::Frame() const {
    return FrameAt(value);
}

int ISwitchLbl::FrameAt(double v) const {
    const int frames = image.FrameCount();
    if (frames < 2) return 1;
    return std::clamp(RoundPixel((frames - 1) * UnitValue(v)) + 1, 1, frames);
}

int ISwitchLbl::FrameWidth() const {
    return stacked ? image.width : FrameExtent(image.width, image.FrameCount());
}

int ISwitchLbl::FrameHeight() const {
    return stacked ? FrameExtent(image.height, image.FrameCount()) : image.height;
}

IBounds ISwitchLbl::FrameBox() const {
    const int width = FrameWidth();
    int64_t left = bounds.left;
    if (slotWidth != 0) left += RoundPixel((double(slotWidth) - width) * 0.5);
    return IBounds::FromSize(SaturateInt(left), bounds.top, width, FrameHeight());
}

void ISwitchLbl::Capture() {
    IControl::Capture();
    drawnLabel = ValueLabelText(BoundParam(*this));
}

bool ISwitchLbl::Paint(IGraphics& graphics) {
    DrawValueLabel(graphics, style, drawnLabel, bounds);
    const IBlend hovered{IBlend::kSourceAlpha, 1.0f - hoverDim};
    return graphics.DrawImageFrame(image, FrameBox(), FrameAt(drawnValue),
                                   hover ? &hovered : &drawnBlend, stacked);
}
