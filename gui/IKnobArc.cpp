#include "IKnobArc.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "IEngineParam.h"
#include "IGraphics.h"
#include "PixelMath.h"
#include "ValueLabel.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
// Width of the unit text placed beside the knob.
constexpr int kUnitBesideWidth = 33;
// A value text over its unit reaches this far below the knob's middle.
constexpr int kValueOverUnitOffset = 4;

} // namespace

IKnobArc::IKnobArc(ICoreBase* plug, int paramIndex, double centreX, double centreY,
                   const ITextStyle& style, const IArgb& arcColour, float arcRadius,
                   float arcThickness, int labelGap, int labelMode, int knobRadius, int sweep,
                   double gearing, int direction, float hoverDim)
    : IKnobControl(plug,
                   KnobBounds(centreX, centreY, style, arcRadius, arcThickness, labelGap, labelMode,
                              knobRadius),
                   paramIndex, direction, gearing),
      style(style), arcColour(arcColour), labelMode(SaturateInt16(labelMode)),
      sweep(SaturateInt16(sweep)), labelGap(SaturateInt16(labelGap)),
      knobRadius(SaturateInt16(knobRadius)), arcRadius(arcRadius), arcThickness(arcThickness),
      hoverDim(hoverDim) {}

IBounds IKnobArc::KnobBounds(double centreX, double centreY, const ITextStyle& style,
                             float arcRadius, float arcThickness, int labelGap, int labelMode,
                             int knobRadius) {
    const int16_t gap = SaturateInt16(labelGap), radius = SaturateInt16(knobRadius);
    const double e = radius + arcRadius + arcThickness;
    double bottomBase = centreY + radius;
    // The text under the knob needs room of its own.
    if (SaturateInt16(labelMode) == kUnderneath) bottomBase += double(style.size) + gap;
    return IBounds{RoundPixel(centreX - e - 1.0), RoundPixel(centreY - e),
                   RoundPixel(centreX + e + 1.0),
                   RoundPixel(bottomBase + arcRadius + arcThickness)};
}

void IKnobArc::MouseDown(int, int, const IMouseKeys& keys) {
    if (keys.right && !entryOpen && !noPrompt) {
        // Without a parameter no entry opens, and none must be waited for.
        if (BoundParam(*this) && Graphics()) {
            PromptValueEntry();
            valueEntryPending = true;
            entryOpen = true;
        }
    } else {
        entryOpen = false;
    }
    MarkDirty(true);
}

void IKnobArc::MouseOver(int, int, const IMouseKeys&) {
    SetHover(hover, true);
}

void IKnobArc::MouseOut() {
    SetHover(hover, false);
}

void IKnobArc::DrawArcBand(IGraphics& graphics, const IArgb& colour, float cx, float cy,
                           float inner, float outer, float startAngle, float endAngle,
                           const IBlend& blend) {
    graphics.DrawArcBand(colour, cx, cy, inner, outer, startAngle, endAngle, blend);
}

void IKnobArc::Capture() {
    IKnobControl::Capture();
    // The window has ended the entry since the last paint.
    if (entryOpen && !valueEntryPending) entryOpen = false;
    const IEngineParam* param = BoundParam(*this);
    drawnText = ValueText(param);
    drawnUnit = param ? param->UnitLabel() : "";
}

bool IKnobArc::Paint(IGraphics& graphics) {
    PaintText(graphics);

    if (drawArc) {
        const float outer = arcRadius + arcThickness;
        const int64_t k = RoundPixel(outer);
        const float cx = float(int64_t{bounds.left} + k + knobRadius);
        const float cy = float(int64_t{bounds.top} + k + knobRadius);
        // Only the mode reaches the arcs: the band is not dimmed.
        const IBlend arcBlend{IBlend::kCopy, hover ? 1.0f - hoverDim : 1.0f};
        const double v = UnitValue(drawnValue);
        const float start = float(-(sweep - sweep / 75) * kPi / 360.0);
        const float end =
            float(((v - 1.0) * sweep * (1.0 / 75.0) + sweep) * kPi * (v - 0.5) * 2.0 / 360.0);
        DrawArcBand(graphics, arcColour, cx, cy, arcRadius, outer, start, end, arcBlend);
    }
    return true;
}

void IKnobArc::PaintText(IGraphics& graphics) {
    if (labelMode < kValueAndUnit || labelMode > kUnderneath) return;
    const std::string& shown = drawnText;
    if (shown.empty() || style.size <= 0) return;
    const std::string& unit = drawnUnit;
    style.align = ITextStyle::kCentre;
    const double c = (double(bounds.top) + bounds.bottom) * 0.5;
    const int size = style.size, half = style.size / 2;
    const int32_t left = bounds.left, right = bounds.right, bottom = bounds.bottom;

    switch (labelMode) {
    case kValueAndUnit:
    case kValueOnly:
        if (entryOpen) break;
        DrawLabel(graphics, (labelMode == kValueAndUnit ? shown + unit : shown).c_str(),
                  IBounds{left, RoundPixel(c + labelGap - half), right, bottom});
        break;
    case kValueOverUnit:
        if (entryOpen) break;
        DrawLabel(graphics, shown.c_str(),
                  IBounds{left, RoundPixel(c + kValueOverUnitOffset - size), right, bottom});
        DrawLabel(graphics, unit.c_str(), IBounds{left, RoundPixel(c + labelGap), right, bottom});
        break;
    case kUnitBeside: {
        const int32_t top = RoundPixel(c - half);
        if (!entryOpen) DrawLabel(graphics, shown.c_str(), IBounds{left, top, right, bottom});
        // The unit stays while the value is being typed in.
        style.align = ITextStyle::kLeft;
        const int64_t unitLeft = int64_t{right} + labelGap;
        DrawLabel(
            graphics, unit.c_str(),
            IBounds{SaturateInt(unitLeft), top, SaturateInt(unitLeft + kUnitBesideWidth), bottom});
        break;
    }
    case kUnderneath:
        DrawLabel(graphics, (shown + unit).c_str(),
                  IBounds{left, SaturateInt(int64_t{bottom} - size), right, bottom});
        break;
    default:
        break;
    }
}

void IKnobArc::DrawLabel(IGraphics& graphics, const char* text, const IBounds& box) {
    graphics.DrawText(style, text, box);
    lastTextBox = box;
}
