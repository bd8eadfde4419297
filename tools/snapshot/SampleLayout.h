// Where the sample editor's controls sit and the resource ids of its images,
// shared by the layout and by the background that is drawn to match it.
#pragma once

#include "SampleCore.h"

namespace tonewell::snapshot::layout {

constexpr int kWidth = 368, kHeight = 370;

// Image ids, as the instrument numbers its images.
enum ImageId : int {
    kBackgroundImage = 100,
    kKnobImage = 101,
    kSmallKnobImage = 102,
    kPanButtonImage = 104,
    kBeatsButtonImage = 105,
    kSliderHandleImage = 109,
    kCentreSwitchImage = 110,
};

// Knob sizes: the large knobs' value band runs from radius 33 to 39.3, the
// small knobs' from 25 to 30.
struct KnobSize {
    float arcRadius, arcThickness;
    int image;      // a strip of two square halves: face, then body
    int imageSide;  // side of each half
    int faceRadius; // of the face drawn in the image
};
constexpr KnobSize kLargeKnob{33.0f, 6.3f, kKnobImage, 84, 27};
constexpr KnobSize kSmallKnob{25.0f, 5.0f, kSmallKnobImage, 64, 20};

struct KnobPlace {
    int param;
    int centreX, centreY;
    bool large;
};
constexpr KnobPlace kKnobs[] = {
    {SampleCore::kFrequency, 77, 133, true},   {SampleCore::kBinaural, 181, 133, true},
    {SampleCore::kTuningFreq, 297, 133, true}, {SampleCore::kAttack, 145, 299, false},
    {SampleCore::kRelease, 225, 299, false},   {SampleCore::kVolume, 305, 299, false},
};
constexpr int kNumKnobs = int(sizeof kKnobs / sizeof kKnobs[0]);

constexpr int kPanButtonX = 42, kPanButtonY = 206;     // 68 x 18
constexpr int kBeatsButtonX = 30, kBeatsButtonY = 234; // 92 x 18
// The fade slider's bounds; its 16-pixel handle travels 83 - 16 pixels.
constexpr int kSliderLeft = 134, kSliderTop = 218, kSliderRight = 224, kSliderBottom = 251;
constexpr int kSliderLength = 83, kSliderFill = 6;
// The centre-frequency switch: two 54 x 20 frames, centred in a 78-pixel slot.
constexpr int kSwitchX = 264, kSwitchY = 201, kSwitchSlot = 78;

} // namespace tonewell::snapshot::layout
