#include "IKnobArcImg.h"

#include <cmath>

#include "IGraphics.h"
#include "ImageCache.h"
#include "PixelMath.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
// How far the image is sampled off its origin as it turns away from upright.
constexpr double kSourceShift = 1.375;
} // namespace

IKnobArcImg::IKnobArcImg(ICoreBase* plug, int paramIndex, double centreX, double centreY,
                         const ITextStyle& style, const IArgb& arcColour, float arcRadius,
                         float arcThickness, int labelGap, int labelMode, int knobRadius, int sweep,
                         double gearing, int direction, float hoverDim, const IImage& knobImage,
                         int imgSweep, int imgOffset, float imgArcRadius, float imgArcThickness,
                         float imgHoverDim)
    : IKnobArc(plug, paramIndex, centreX, centreY, style, arcColour, arcRadius, arcThickness,
               labelGap, labelMode, knobRadius, sweep, gearing, direction, hoverDim),
      knobImage(knobImage), imgSweep(SaturateInt16(imgSweep)), imgOffset(SaturateInt16(imgOffset)),
      imgArcRadius(imgArcRadius), imgArcThickness(imgArcThickness),
      imgHoverDim(imgHoverDim), imgBlend{IBlend::kSourceAlpha, 1.0f} {}

float IKnobArcImg::ImageAngle() const {
    return ImageAngleAt(value);
}

float IKnobArcImg::ImageAngleAt(double position) const {
    const double v = UnitValue(position);
    const double halfSweep = imgSweep * kPi / 360.0;
    // Both terms in single precision, as the image is turned in it.
    return float(halfSweep * 2.0 * v) - float(halfSweep);
}

bool IKnobArcImg::Paint(IGraphics& graphics) {
    const double v = UnitValue(drawnValue);
    const float outer = imgArcRadius + imgArcThickness;
    const int64_t k = RoundPixel(outer);
    const int cx = SaturateInt(int64_t{bounds.left} + imgOffset + k);
    const int cy = SaturateInt(int64_t{bounds.top} + imgOffset + k);
    const float dim = hover ? 1.0f - imgHoverDim : 1.0f;

    imgBlend = IBlend{IBlend::kCopy, dim};
    const float start = float(-(imgSweep - imgSweep / 50) * kPi / 360.0);
    const float end =
        float(((v - 1.0) * imgSweep * 0.02 + imgSweep) * kPi * (v - 0.5) * 2.0 / 360.0);
    DrawArcBand(graphics, arcColour, float(cx) - 0.2f, float(cy) - 0.2f, imgArcRadius, outer, start,
                end, imgBlend);

    imgBlend = IBlend{IBlend::kSourceAlpha, dim};
    const float s = -std::sin(float(std::fabs(v - 0.5) * kSourceShift * kPi));
    IImage turned = knobImage;
    if (knobImage.cacheId < -1) {
        // The right half stays still; the left half, registered under the
        // right half's id, is what turns.
        const double halfW = knobImage.width * 0.5, halfH = knobImage.height * 0.5;
        const IBounds body{RoundPixel(cx - halfW), RoundPixel(cy - halfH), RoundPixel(cx + halfW),
                           RoundPixel(cy + halfH)};
        graphics.DrawImageFrame(knobImage, body, 1, &imgBlend, false);
        if (hover) imgBlend = IBlend{IBlend::kSourceAlpha, 1.0f};
        RAST_IBitmap* left = ImageCache::Instance().Find(knobImage.cacheId);
        turned = left ? IImage{left, left->width(), left->height(), 1, 0} : IImage{};
    }
    graphics.DrawImageRotated(turned, cx, cy, ImageAngleAt(drawnValue), &imgBlend, s, s);

    drawArc = false;
    return IKnobArc::Paint(graphics);
}
