#include "ISliderImg.h"

#include "IEngineParam.h"
#include "IGraphics.h"
#include "PixelMath.h"
#include "ValueLabel.h"

ISliderImg::ISliderImg(ICoreBase* plug, int paramIndex, const IBounds& bounds, const IImage& handle,
                       const ITextStyle& style, int length, bool horizontal, float hoverDim)
    : IControl(plug, bounds, paramIndex), style(style),
      track(TrackBox(bounds, handle, length, !horizontal)), handle(handle), length(length),
      travel(SaturateInt(int64_t{length} - (horizontal ? handle.width : handle.height))),
      vertical(!horizontal), hoverDim(hoverDim) {}

IBounds ISliderImg::TrackBox(const IBounds& bounds, const IImage& handle, int length,
                             bool vertical) {
    const double centre = (double(bounds.left) + bounds.right) * 0.5;
    if (vertical) {
        const double half = handle.width * 0.5;
        return IBounds{RoundPixel(centre - half), bounds.top, RoundPixel(centre + half),
                       SaturateInt(int64_t{bounds.top} + length)};
    }
    const int half = length / 2;
    return IBounds{RoundPixel(centre - half), bounds.top, RoundPixel(centre + half),
                   SaturateInt(int64_t{bounds.top} + handle.height)};
}

void ISliderImg::FollowPointer(int x, int y) {
    // Without travel every position is the same; there is nothing to divide by.
    if (travel <= 0) return;
    if (vertical)
        value = 1.0 - ((double(y) - track.top) - handle.height * 0.5) / travel;
    else
        value = ((double(x) - track.left) - handle.width * 0.5) / travel;
    MarkDirty(true);
}

void ISliderImg::MouseDown(int x, int y, const IMouseKeys& keys) {
    if (keys.right) {
        IControl::MouseDown(x, y, keys);
        return;
    }
    const bool onTrack = track.left <= x && x <= track.right && track.top <= y && y <= track.bottom;
    if (!onTrack) return;
    hover = false;
    dragging = true;
    FollowPointer(x, y);
}

void ISliderImg::MouseUp(int, int, const IMouseKeys&) {
    dragging = false;
}

void ISliderImg::MouseDrag(int x, int y, int, int, const IMouseKeys&) {
    if (dragging) FollowPointer(x, y);
}

void ISliderImg::MouseOver(int, int, const IMouseKeys&) {
    SetHover(hover, true);
}

void ISliderImg::MouseOut() {
    SetHover(hover, false);
}

IBounds ISliderImg::HandleBox() const {
    // The handle shows the parameter, whatever the control's own value.
    const IEngineParam* param = BoundParam(*this);
    return HandleBoxAt(param ? param->ToNormalized() : value);
}

IBounds ISliderImg::HandleBoxAt(double position) const {
    const double n = UnitValue(position);
    const int t = DrawnTravel();
    if (vertical) {
        const int32_t top = RoundPixel(t * (1.0 - n) + track.top);
        return IBounds{track.left, top, track.right, SaturateInt(int64_t{top} + handle.height)};
    }
    const double x = t * n + track.left;
    return IBounds{RoundPixel(x), track.top, RoundPixel(x + handle.width), bounds.bottom};
}

void ISliderImg::Capture() {
    IControl::Capture();
    const IEngineParam* param = BoundParam(*this);
    drawnLabel = ValueLabelText(param);
    drawnPosition = param ? param->ToNormalized() : value;
}

bool ISliderImg::Paint(IGraphics& graphics) {
    DrawValueLabel(graphics, style, drawnLabel, bounds);
    const IBlend dimmed{IBlend::kSourceAlpha, 1.0f - hoverDim};
    const bool dim = graphics.HandlesMouseOver() && !hover;
    return graphics.DrawImageFrame(handle, HandleBoxAt(drawnPosition), 1,
                                   dim ? &dimmed : &drawnBlend, true);
}
