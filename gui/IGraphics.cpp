#include "IGraphics.h"

#include <algorithm>
#include <cmath>

#include "ICoreBase.h"
#include "IEngineParam.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"
#include "RAST_SysBitmap.h"

IGraphics::IGraphics(ICoreBase* plug, int width, int height, int fps)
    : plug(plug), width(std::max(0, width)), height(std::max(0, height)),
      fps(fps > 0 ? fps : kDefaultFps) {}

IGraphics::~IGraphics() {
    DeleteControls();
}

void IGraphics::DeleteControls() {
    while (!controls.empty())
        controls.pop_back();
}

void IGraphics::PushParamToControls(int paramIndex, double value, bool isNormalized) {
    // A NaN is no value at all; the parameter's mapping would turn it into the default.
    if (paramIndex < 0 || std::isnan(value)) return;
    if (!isNormalized) {
        const IEngineParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
        if (!param) return;
        value = param->ToNormalized(value);
    }
    for (const auto& control : controls)
        if (control->ParamIndex() == paramIndex) control->SetValueFromHost(value);
}

void IGraphics::PrepareDrawing() {
    drawBitmap = std::make_unique<RAST_SysBitmap>(width, height);
    scratchBitmap = std::make_unique<RAST_MemBitmap>(0, 0, 4);
}

void IGraphics::HideParamControls(int paramIndex, bool hide) {
    if (paramIndex < 0) return;
    for (const auto& control : controls)
        if (control->ParamIndex() == paramIndex) control->SetHidden(hide);
}

int IGraphics::AddControl(std::unique_ptr<IControl> control) {
    if (!control) return -1;
    control->AttachTo(this);
    controls.push_back(std::move(control));
    return NumControls() - 1;
}

IControl* IGraphics::GetControl(int index) const {
    if (index < 0 || index >= NumControls()) return nullptr;
    return controls[static_cast<size_t>(index)].get();
}

void IGraphics::RedrawAll() {
    if (IControl* background = GetControl(0)) background->MarkDirty(false);
}

int IGraphics::FindControlAt(int x, int y) const {
    if (mouseCapture >= 0 && mouseCapture < NumControls()) return mouseCapture;
    for (int i = NumControls() - 1; i >= 0; --i) {
        const IControl& control = *controls[static_cast<size_t>(i)];
        if (control.IsHidden() || control.IsGrayed()) continue;
        if (control.Contains(x, y)) return i;
    }
    return -1;
}

bool IGraphics::PaintRegion(const IBounds& box) {
    if (controls.empty()) return true;
    drawBounds = box;
    for (const auto& control : controls) {
        const IBounds& b = control->Bounds();
        if (!control->IsHidden() && !box.IsEmpty() && !b.IsEmpty() && b.Intersects(box))
            control->Paint(*this);
        // Hidden or outside, the request is settled: the window invalidates
        // exactly the dirty union, so nothing dirty lies outside the box.
        control->MarkClean();
    }
    return PresentRegion(box);
}

bool IGraphics::CollectDirty(IBounds& out) const {
    out = IBounds{};
    bool any = false;
    for (const auto& control : controls) {
        if (!control->NeedsRedraw()) continue;
        out = out.Union(control->Bounds());
        any = true;
    }
    return any;
}

void IGraphics::ForgetPopup() {
    popupMarker = PopupMarker::None;
}

RAST_IBitmap* IGraphics::DrawBitmap() const {
    return drawBitmap.get();
}

void IGraphics::Resize(int newWidth, int newHeight) {
    width = std::max(0, newWidth);
    height = std::max(0, newHeight);
    mouseCapture = -1;
    lastMouseX = lastMouseY = -1;
    mouseOverIndex = -1;
    popupMarker = PopupMarker::None;
    DeleteControls();
    if (drawBitmap) drawBitmap->resize(width, height);
}

void IGraphics::PromptParamEntry(IControl*, const IEngineParam*, bool) {}

bool IGraphics::HostDirectory(std::string& out) {
    out.clear();
    return false;
}

bool IGraphics::ModuleDirectory(std::string& out) {
    out.clear();
    return false;
}

bool IGraphics::AskForFile(std::string&, int, const char*, const char*) {
    return false;
}
bool IGraphics::AskForColour(IArgb&, const char*) {
    return false;
}
bool IGraphics::OpenLink(const char*, const char*, const char*, const char*) {
    return false;
}
void IGraphics::WheelFromHost(double) {}

std::unique_ptr<RAST_IBitmap> IGraphics::LoadImageResource(int id) {
    // Without a module handle the images come from the binary itself: its
    // compiled-in table on Linux, the executable's resources on Windows. The
    // Windows window overrides this to read the plug-in module's resources.
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGResource(nullptr, id));
}
