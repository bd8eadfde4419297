#include "IControl.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "ICoreBase.h"
#include "IEngineParam.h"
#include "IGraphics.h"
#include "PromptPopup.h"

namespace {
// Grayed controls are drawn at a quarter of their opacity.
constexpr float kGrayedWeight = 0.25f;
// Wheel step of continuous and integer parameters, per notch.
constexpr double kWheelStep = 0.01;
constexpr double kFineFactor = 0.1;
constexpr int kPopupMinWidth = 70;
} // namespace

IControl::IControl(ICoreBase* plug, const IBounds& bounds, int paramIndex, const IBlend& blend)
    : plug(plug), bounds(bounds), hitBounds(bounds), paramIndex(paramIndex < 0 ? -1 : paramIndex),
      blend(blend) {}

void IControl::MouseDown(int, int, const IMouseKeys& keys) {
    if (!keys.right) {
        // A left click anywhere ends the grace of a dismissed popup.
        if (graphics) graphics->ForgetPopup();
        return;
    }
    if (paramIndex < 0 || noPrompt) return;
    if (graphics && graphics->PopupMarkerSet()) {
        // The right-click that follows a popup only clears it.
        graphics->ForgetPopup();
        return;
    }
    const IEngineParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
    if (graphics && param && param->ValueTextCount() > 0 &&
        (param->GetKind() == IEngineParam::KindEnum ||
         param->GetKind() == IEngineParam::KindBool)) {
        OpenPopupMenu(*param);
        return;
    }
    PromptValueEntry();
}

void IControl::OpenPopupMenu(const IEngineParam& param) {
    if (!graphics) return;
    // Started inside the surface: a list begun at the far end of the
    // coordinate range would be squeezed there before it is placed.
    const int x = std::clamp(bounds.left, 0, graphics->Width());
    const int y = std::clamp(bounds.top, 0, graphics->Height());
    auto menu =
        std::make_unique<PromptPopup>(plug, x, y, kPopupMinWidth, 1, graphics->GetPopupStyle());
    PromptPopup* popup = menu.get();
    graphics->AddControl(std::move(menu));
    graphics->SetOpenPopup(popup);
    // Hidden while it is filled and placed, so no half-built list is painted.
    popup->SetHidden(true);
    // In the order the texts were given; each item stands for its own value.
    for (int i = 0; i < param.ValueTextCount(); ++i) {
        const IEngineParam::ValueTextEntry& entry = param.ValueTextAt(i);
        popup->AddItem(entry.text, entry.value);
    }
    popup->CentreOn(bounds, graphics->Width(), graphics->Height());
    popup->Bind(paramIndex, this);
}

void IControl::MouseUp(int, int, const IMouseKeys&) {}
void IControl::FileDropped(int, int, const char*) {}
void IControl::MouseDrag(int, int, int, int, const IMouseKeys&) {}

void IControl::MouseDoubleClick(int, int, const IMouseKeys&) {
    if (defaultValue < 0.0) return;
    value = defaultValue;
    MarkDirty(true);
}

void IControl::MouseWheel(int, int, const IMouseKeys& keys, double delta) {
    if (paramIndex < 0 || !plug || !std::isfinite(delta)) return;
    const IEngineParam* param = plug->GetParam(paramIndex);
    if (!param) return;
    double step = kWheelStep;
    const IEngineParam::Kind kind = param->GetKind();
    if (kind != IEngineParam::KindDouble && kind != IEngineParam::KindInteger) {
        // One notch moves half a choice, so two notches always reach the next one.
        if (param->ValueTextCount() <= 0) return;
        step = 0.5 / param->ValueTextCount();
    }
    if (keys.Fine()) step *= kFineFactor;
    value += step * delta;
    MarkDirty(true);
}

void IControl::KeyDown(int, int, int) {}
void IControl::MouseOver(int, int, const IMouseKeys&) {}
void IControl::MouseOut() {}

void IControl::Capture() {
    drawnValue = value;
    drawnBlend = blend;
}

void IControl::SetValueFromHost(double v) {
    if (std::isnan(v)) return;
    if (defaultValue < 0.0)
        defaultValue = v;
    else if (v == value)
        return;
    value = v;
    MarkDirty(false);
    redrawAgain = true;
}

void IControl::SetValueFromUser(double v) {
    if (!std::isnan(v)) value = v;
    valueEntryPending = false;
    MarkDirty(true);
    redrawAgain = true;
}

void IControl::PopupChoice(const char*, int) {}

void IControl::SetHidden(bool hide) {
    hidden = hide;
    redrawAgain = true;
    MarkDirty(false);
}

void IControl::SetGrayed(bool gray) {
    grayed = gray;
    blend.weight = gray ? kGrayedWeight : 1.0f;
    MarkDirty(false);
}

bool IControl::Contains(int x, int y) const {
    return hitBounds.left <= x && x <= hitBounds.right && hitBounds.top <= y &&
           y <= hitBounds.bottom;
}

void IControl::MarkDirty(bool push) {
    // A NaN value would survive the clamp; the low end is the safe reading.
    value = std::isnan(value) ? clampLow : std::clamp(value, clampLow, clampHigh);
    dirty = true;
    if (push && plug && paramIndex >= 0) plug->SetParameterFromEditor(paramIndex, value);
}

void IControl::MarkClean() {
    dirty = redrawAgain;
    redrawAgain = false;
}

void IControl::PromptValueEntry() {
    if (paramIndex < 0 || noPrompt || !plug || !graphics) return;
    const IEngineParam* param = plug->GetParam(paramIndex);
    if (!param) return;
    graphics->PromptParamEntry(this, param, true);
    redrawAgain = true;
}

void IControl::EndValueEntry() {
    valueEntryPending = false;
    // A committed value went to the host inside its own edit; sending it
    // again here would be an edit outside any begin and end.
    MarkDirty(false);
    redrawAgain = true;
}

void IControl::SetClamp(double low, double high) {
    // A reversed or non-finite range would make std::clamp undefined.
    if (!(std::isfinite(low) && std::isfinite(high)) || low > high) return;
    clampLow = low;
    clampHigh = high;
}
