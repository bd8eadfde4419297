#include "SampleEditor.h"

#include <cstdio>

#include "IButton.h"
#include "IKnobArcImg.h"
#include "ISlider.h"
#include "ISwitchLbl.h"

namespace tonewell::snapshot {

namespace {
using namespace layout;

const ITextStyle kKnobStyle{"Arial", 15, IArgb{200, 255, 255, 255}};
// Size 0: the switch prints no caption under its picture.
const ITextStyle kSwitchStyle{"Arial", 0, IArgb{255, 0, 0, 0}, 0, ITextStyle::kCentre};

// The large knobs in the instrument's blues, the small ones in grey.
IArgb ArcColour(const KnobPlace& place) {
    if (!place.large) return IArgb{255, 200, 200, 200};
    return place.param == SampleCore::kBinaural ? IArgb{255, 100, 250, 255}
                                                : IArgb{255, 100, 200, 255};
}
} // namespace

SampleEditor::SampleEditor() : core(std::make_unique<SampleCore>()) {
    auto owned = std::make_unique<SampleSurface>(core.get(), kWidth, kHeight, 0);
    SampleSurface& s = *owned;
    ICoreBase* plug = core.get();
    s.AddBackground(kBackgroundImage);

    // Each knob strip is cut in half: the knobs get the right half (the body)
    // and find the left half (the face) in the image cache through its id.
    IImage largeBody = s.GetImage(kKnobImage);
    s.SplitImage(largeBody, 0.5);
    IImage smallBody = s.GetImage(kSmallKnobImage);
    s.SplitImage(smallBody, 0.5);

    for (const KnobPlace& place : kKnobs) {
        const KnobSize& size = place.large ? kLargeKnob : kSmallKnob;
        const int index = s.AddControl(std::make_unique<IKnobArcImg>(
            plug, place.param, place.centreX, place.centreY, kKnobStyle, ArcColour(place),
            size.arcRadius, size.arcThickness, -4, 4, 2, 300, 4.0, 0, 0.2f,
            place.large ? largeBody : smallBody, 300, 2, size.arcRadius, size.arcThickness, 0.2f));
        if (firstKnob < 0) firstKnob = index;
    }
    panButton =
        s.AddControl(std::make_unique<IButton>(plug, SampleCore::kPanReverse, kPanButtonX,
                                               kPanButtonY, s.GetImage(kPanButtonImage), 0.0f));
    beatsButton =
        s.AddControl(std::make_unique<IButton>(plug, SampleCore::kBeats, kBeatsButtonX,
                                               kBeatsButtonY, s.GetImage(kBeatsButtonImage), 0.0f));
    slider = s.AddControl(std::make_unique<ISlider>(
        plug, SampleCore::kFade, IBounds{kSliderLeft, kSliderTop, kSliderRight, kSliderBottom},
        s.GetImage(kSliderHandleImage), kKnobStyle, IArgb{255, 70, 160, 230}, kSliderLength,
        kSliderFill, true, 1, false, 0.1f));
    centreSwitch = s.AddControl(std::make_unique<ISwitchLbl>(
        plug, kSwitchX, kSwitchY, SampleCore::kCenterFreq, s.GetImage(kCentreSwitchImage, 2),
        kSwitchStyle, kSwitchSlot, IBlend{IBlend::kSourceAlpha, 1.0f}, 0.2f));

    surface = owned.get();
    core->AttachEditor(std::move(owned));
    surface->SetHandleMouseOver(true);
}

std::string SampleEditor::Listing() const {
    std::string text;
    char line[256];
    for (int i = 0; i < surface->NumControls(); ++i) {
        const IControl* control = surface->GetControl(i);
        const IBounds& b = control->Bounds();
        const IEngineParam* param = core->GetParam(control->ParamIndex());
        char shown[IEngineParam::kFormatSize] = "";
        if (param) param->FormatValue(control->Value(), true, shown, sizeof shown);
        std::snprintf(line, sizeof line, "%3d  %-12s %4d %4d %4d %4d  %.4f  %s%s%s%s\n", i,
                      param ? param->DisplayName() : (i == 0 ? "(background)" : "-"), b.left, b.top,
                      b.right, b.bottom, control->Value(), shown,
                      param && param->UnitLabel()[0] ? " " : "", param ? param->UnitLabel() : "",
                      control->IsHidden() ? "  (hidden)" : "");
        text += line;
    }
    return text;
}

} // namespace tonewell::snapshot
