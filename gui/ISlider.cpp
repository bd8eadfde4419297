#include "ISlider.h"

#include <algorithm>

#include "IGraphics.h"
#include "PixelMath.h"

ISlider::ISlider(ICoreBase* plug, int paramIndex, const IBounds& bounds, const IImage& handle,
                 const ITextStyle& style, const IArgb& fillColour, int length, int fillThickness,
                 bool horizontal, int fillInset, bool centred, float hoverDim)
    : ISliderImg(plug, paramIndex, bounds, handle, style, length, horizontal, hoverDim),
      fillColour(fillColour), fillThickness(fillThickness), fillInset(fillInset), centred(centred) {
}

IBounds ISlider::FillBar() const {
    return FillBarAt(value);
}

IBounds ISlider::FillBarAt(double position) const {
    const double v = UnitValue(position);
    const int64_t t = DrawnTravel(), w = handle.width / 2, h = handle.height / 2;
    const int half = fillThickness / 2;
    const double centreX = (double(track.left) + track.right) * 0.5;
    const double centreY = (double(track.top) + track.bottom) * 0.5;

    if (vertical) {
        // Up from the track's end to the handle's centre.
        const double d = t * (1.0 - v);
        if (!(double(t + h - fillInset) > d)) return IBounds{};
        return IBounds{RoundPixel(centreX - half), RoundPixel(d + track.top + h),
                       RoundPixel(centreX + half),
                       SaturateInt(int64_t{track.top} + t + handle.height - fillInset)};
    }
    const int32_t top = RoundPixel(centreY - half), bottom = RoundPixel(centreY + half);
    if (centred)
        return IBounds{RoundPixel(t * std::min(v, 0.5) + track.left + w), top,
                       RoundPixel(t * std::max(v, 0.5) + track.left + w), bottom};
    const double b = t * v;
    if (!(b + w > fillInset)) return IBounds{};
    return IBounds{SaturateInt(int64_t{track.left} + fillInset), top,
                   RoundPixel(track.left + b + w), bottom};
}

bool ISlider::Paint(IGraphics& graphics) {
    const IBounds bar = FillBarAt(drawnValue);
    // A bar of no length (the centred bar at the middle) or turned inside
    // out by a large inset draws nothing.
    if (bar.W() > 0 && bar.H() > 0) graphics.FillBox(fillColour, bar);
    return ISliderImg::Paint(graphics);
}
