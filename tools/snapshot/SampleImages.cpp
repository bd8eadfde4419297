#include "SampleImages.h"

#include <cmath>

#include "RAST_MemBitmap.h"
#include "RAST_Primitives.h"
#include "SampleLayout.h"

namespace tonewell::snapshot {

namespace {

using namespace layout;

constexpr float kPi = 3.14159265f;

std::unique_ptr<RAST_MemBitmap> NewBitmap(int width, int height, Pixel fill) {
    auto bitmap = std::make_unique<RAST_MemBitmap>(width, height, 4);
    RAST_FillRectangle(bitmap.get(), 0, 0, width, height, fill, 1.0f, RAST_MODE_COPY);
    return bitmap;
}

Pixel Opaque(int r, int g, int b) {
    return RAST_MakePixel(255, r, g, b);
}

// A fully transparent pixel of the colour: anti-aliased edges drawn over it
// then fade in alpha only, without dark fringes.
Pixel Clear(Pixel colour) {
    return colour & 0x00FFFFFFu;
}

void Disc(RAST_IBitmap* bitmap, float cx, float cy, float radius, Pixel colour,
          float opacity = 1.0f) {
    RAST_RasterCircle(bitmap, cx, cy, radius, colour, RAST_Alpha256(opacity), true, true,
                      RAST_MODE_COPY, nullptr);
}

void Box(RAST_IBitmap* bitmap, int left, int top, int right, int bottom, Pixel colour) {
    RAST_FillRectangle(bitmap, left, top, right - left, bottom - top, colour, 1.0f, RAST_MODE_COPY);
}

void Outline(RAST_IBitmap* bitmap, int left, int top, int right, int bottom, Pixel colour) {
    RAST_DrawLine(bitmap, left, top, right - 1, top, colour, 1.0f, RAST_MODE_COPY, false);
    RAST_DrawLine(bitmap, left, bottom - 1, right - 1, bottom - 1, colour, 1.0f, RAST_MODE_COPY,
                  false);
    RAST_DrawLine(bitmap, left, top, left, bottom - 1, colour, 1.0f, RAST_MODE_COPY, false);
    RAST_DrawLine(bitmap, right - 1, top, right - 1, bottom - 1, colour, 1.0f, RAST_MODE_COPY,
                  false);
}

// A box with fully rounded ends, as wide as its height at the least.
void Pill(RAST_IBitmap* bitmap, float left, float top, float right, float bottom, Pixel colour) {
    const float radius = (bottom - top) * 0.5f, cy = top + radius;
    Disc(bitmap, left + radius, cy, radius, colour);
    Disc(bitmap, right - radius, cy, radius, colour);
    Box(bitmap, int(std::lround(left + radius)), int(std::lround(top)),
        int(std::lround(right - radius)), int(std::lround(bottom)), colour);
}

void ThickLine(RAST_IBitmap* bitmap, float x1, float y1, float x2, float y2, Pixel colour) {
    for (float offset : {-1.0f, 0.0f, 1.0f})
        RAST_DrawLineF(bitmap, x1 + offset, y1, x2 + offset, y2, colour, 1.0f, RAST_MODE_COPY,
                       true);
}

std::unique_ptr<RAST_IBitmap> Background() {
    auto bitmap = NewBitmap(kWidth, kHeight, Opaque(0, 0, 0));
    RAST_IBitmap* b = bitmap.get();
    // A dark vertical shade under everything.
    for (int y = 0; y < kHeight; ++y) {
        const float t = float(y) / float(kHeight - 1);
        const auto mix = [t](int top, int bottom) { return int(top + (bottom - top) * t); };
        Box(b, 0, y, kWidth, y + 1, Opaque(mix(48, 22), mix(52, 24), mix(60, 30)));
    }
    // The title band with an accent line and a small wave emblem.
    Box(b, 0, 0, kWidth, 62, Opaque(18, 20, 24));
    Box(b, 0, 62, kWidth, 64, Opaque(70, 160, 230));
    for (float r = 8.0f; r <= 20.0f; r += 6.0f)
        RAST_DrawArc(b, 38.0f, 32.0f, r, -0.4f * kPi, 0.4f * kPi, Opaque(70, 160, 230), 1.0f,
                     RAST_MODE_COPY, true);

    // Panels behind the two rows of knobs.
    Box(b, 16, 82, 352, 200, Opaque(34, 38, 46));
    Outline(b, 16, 82, 352, 200, Opaque(64, 70, 82));
    Box(b, 98, 258, 352, 346, Opaque(34, 38, 46));
    Outline(b, 98, 258, 352, 346, Opaque(64, 70, 82));

    // A dark well and a scale of eleven ticks around every knob.
    for (const KnobPlace& knob : kKnobs) {
        const KnobSize& size = knob.large ? kLargeKnob : kSmallKnob;
        const float outer = size.arcRadius + size.arcThickness;
        const float cx = float(knob.centreX), cy = float(knob.centreY);
        Disc(b, cx - 1.0f, cy, outer + 1.0f, Opaque(20, 22, 27));
        for (int tick = 0; tick <= 10; ++tick) {
            const float angle = (-150.0f + 30.0f * float(tick)) * kPi / 180.0f;
            const float dx = std::sin(angle), dy = -std::cos(angle);
            RAST_DrawLineF(b, cx - 1.0f + dx * (outer + 2.5f), cy + dy * (outer + 2.5f),
                           cx - 1.0f + dx * (outer + 5.5f), cy + dy * (outer + 5.5f),
                           Opaque(120, 130, 145), 1.0f, RAST_MODE_COPY, true);
        }
    }

    // Sockets of the buttons (their pictures show only when on), the slider's
    // groove and the switch's slot.
    Pill(b, kPanButtonX, kPanButtonY, kPanButtonX + 68, kPanButtonY + 18, Opaque(26, 29, 35));
    Pill(b, kBeatsButtonX, kBeatsButtonY, kBeatsButtonX + 92, kBeatsButtonY + 18,
         Opaque(26, 29, 35));
    Box(b, kSliderLeft + 4, kSliderTop + 5, kSliderRight - 4, kSliderTop + 11, Opaque(14, 15, 18));
    Pill(b, kSwitchX + 8, kSwitchY, kSwitchX + kSwitchSlot - 8, kSwitchY + 20, Opaque(26, 29, 35));
    return bitmap;
}

// Two square halves side by side: the face that turns with the value (a
// disc with a pointer straight up) and the body it turns over (a soft shadow).
std::unique_ptr<RAST_IBitmap> Knob(const KnobSize& size) {
    const int side = size.imageSide;
    const Pixel face = Opaque(58, 63, 74), rim = Opaque(128, 134, 148);
    auto bitmap = NewBitmap(2 * side, side, Clear(face));
    RAST_IBitmap* b = bitmap.get();
    const float c = side * 0.5f, r = float(size.faceRadius);
    Disc(b, c, c, r, rim);
    Disc(b, c, c, r - 2.0f, face);
    ThickLine(b, c, c - r + 3.0f, c, c - r * 0.55f, Opaque(90, 185, 245));

    Box(b, side, 0, 2 * side, side, 0);
    Disc(b, side + c + 1.0f, c + 2.0f, r + 3.0f, Opaque(0, 0, 0), 0.55f);
    return bitmap;
}

std::unique_ptr<RAST_IBitmap> Button(int width, Pixel colour) {
    auto bitmap = NewBitmap(width, 18, Clear(colour));
    Pill(bitmap.get(), 0.5f, 0.5f, width - 0.5f, 17.5f, colour);
    Disc(bitmap.get(), 10.0f, 9.0f, 3.0f, Opaque(250, 250, 250));
    return bitmap;
}

std::unique_ptr<RAST_IBitmap> SliderHandle() {
    const Pixel face = Opaque(222, 226, 232);
    auto bitmap = NewBitmap(16, 16, Clear(face));
    Disc(bitmap.get(), 7.5f, 7.5f, 7.5f, Opaque(110, 116, 128));
    Disc(bitmap.get(), 7.5f, 7.5f, 6.0f, face);
    return bitmap;
}

// Off, then on: a toggle whose knob moves from left to right.
std::unique_ptr<RAST_IBitmap> CentreSwitch() {
    const Pixel on = Opaque(70, 160, 230);
    auto bitmap = NewBitmap(108, 20, Clear(on));
    RAST_IBitmap* b = bitmap.get();
    Pill(b, 8.0f, 3.0f, 46.0f, 17.0f, Opaque(62, 66, 76));
    Disc(b, 15.0f, 10.0f, 6.5f, Opaque(150, 155, 166));
    Pill(b, 62.0f, 3.0f, 100.0f, 17.0f, on);
    Disc(b, 93.0f, 10.0f, 6.5f, Opaque(245, 245, 250));
    return bitmap;
}

} // namespace

std::unique_ptr<RAST_IBitmap> SampleImages::Make(int id) {
    switch (id) {
    case kBackgroundImage:
        return Background();
    case kKnobImage:
        return Knob(kLargeKnob);
    case kSmallKnobImage:
        return Knob(kSmallKnob);
    case kPanButtonImage:
        return Button(68, Opaque(70, 160, 230));
    case kBeatsButtonImage:
        return Button(92, Opaque(230, 160, 70));
    case kSliderHandleImage:
        return SliderHandle();
    case kCentreSwitchImage:
        return CentreSwitch();
    default:
        return nullptr;
    }
}

} // namespace tonewell::snapshot
