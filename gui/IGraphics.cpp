#include "IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "IBitmapControl.h"
#include "ICoreBase.h"
#include "IEngineParam.h"
#include "ImageCache.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"
#include "RAST_Primitives.h"
#include "RAST_SysBitmap.h"

namespace {
int ClampToInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
} // namespace

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
    // Fresh pixel memory holds anything; start from transparent black so that
    // nothing stale is ever presented.
    RAST_FillRectangle(drawBitmap.get(), 0, 0, width, height, 0, 1.0f, RAST_MODE_COPY);
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

IImage IGraphics::GetImage(int id, int frames) {
    RAST_IBitmap* bitmap =
        ImageCache::Instance().FindOrLoad(id, [this, id] { return LoadImageResource(id); });
    if (!bitmap) return IImage{nullptr, 0, 0, std::max(1, frames), 0};
    return IImage{bitmap, bitmap->width(), bitmap->height(), std::max(1, frames), 0};
}

IControl* IGraphics::AddBackground(int id) {
    const IImage image = GetImage(id, 1);
    auto background = std::make_unique<IBitmapControl>(
        plug, IBounds{0, 0, image.width, image.height}, -1, image, IBlend{}, true);
    background->AttachTo(this);
    IControl* added = background.get();
    controls.insert(controls.begin(), std::move(background));
    // Every other control moved up by one.
    for (int* slot : {&mouseCapture, &mouseOverIndex})
        if (*slot >= 0) ++*slot;
    return added;
}

IImage IGraphics::SplitImage(IImage& image, double fraction) {
    if (!image.IsValid() || !(fraction >= 0.0 && fraction <= 1.0)) return IImage{};
    const int leftWidth = static_cast<int>(image.width * fraction);
    const int rightWidth = static_cast<int>(image.width * (1.0 - fraction));
    auto left = std::make_unique<RAST_MemBitmap>(leftWidth, image.height, 4);
    auto right = std::make_unique<RAST_MemBitmap>(rightWidth, image.height, 4);
    RAST_BlitArea(left.get(), image.bitmap, 0, 0, 0, 0, leftWidth, image.height, 1.0f,
                  RAST_MODE_COPY);
    RAST_BlitArea(right.get(), image.bitmap, 0, 0, leftWidth, 0, rightWidth, image.height, 1.0f,
                  RAST_MODE_COPY);

    // The right piece carries the id under which the left one is registered.
    --nextSyntheticId;
    RAST_IBitmap* leftBitmap = ImageCache::Instance().Add(nextSyntheticId, std::move(left));
    const IImage leftImage{leftBitmap, leftWidth, image.height, 1, 0};
    image = IImage{right.get(), rightWidth, image.height, 1, nextSyntheticId};
    splitPieces.push_back(std::move(right));
    return leftImage;
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

bool IGraphics::DrawImage(const IImage& image, const IBounds& dest, int srcX, int srcY,
                          const IBlend* blend) {
    if (!drawBitmap || !image.bitmap) return true;
    const IBounds clip = dest.Intersect(drawBounds);
    if (clip.IsEmpty()) return true;
    // Wide sums: a far-off dest must not wrap the source offset around.
    const int x = ClampToInt(int64_t{srcX} + clip.left - dest.left);
    const int y = ClampToInt(int64_t{srcY} + clip.top - dest.top);
    RAST_BlitArea(drawBitmap.get(), image.bitmap, clip.left, clip.top, x, y, clip.W(), clip.H(),
                  IBlend::WeightOf(blend), IBlend::RastModeOf(blend));
    return true;
}

bool IGraphics::DrawImageFrame(const IImage& image, const IBounds& dest, int frame,
                               const IBlend* blend, bool stacked) {
    const int frames = image.FrameCount();
    int srcX = 0, srcY = 0;
    if (frames >= 2 && frame >= 2) {
        const double extent = stacked ? image.height : image.width;
        const int offset = ClampToInt(static_cast<int64_t>(extent * (frame - 1.0) / frames + 0.5));
        if (stacked)
            srcY = offset;
        else
            srcX = offset;
    }
    return DrawImage(image, dest, srcX, srcY, blend);
}

bool IGraphics::FillBox(const IArgb& colour, const IBounds& box, const IBlend* blend) {
    if (!drawBitmap) return true;
    const IBounds clip = box.Intersect(drawBounds);
    if (clip.IsEmpty()) return true;
    RAST_FillRectangle(drawBitmap.get(), clip.left, clip.top, clip.W(), clip.H(), colour.Packed(),
                       IBlend::WeightOf(blend), IBlend::RastModeOf(blend));
    return true;
}

bool IGraphics::DrawLine(const IArgb& colour, float x1, float y1, float x2, float y2,
                         const IBlend* blend, bool antialias) {
    if (!drawBitmap) return true;
    // Only the blend's combiner applies; the colour's alpha is the opacity.
    RAST_DrawLineF(drawBitmap.get(), x1, y1, x2, y2, colour.Packed(), colour.Opacity(),
                   IBlend::RastModeOf(blend) & RAST_MODE_MASK, antialias);
    return true;
}

bool IGraphics::DrawArc(const IArgb& colour, float cx, float cy, float radius, float startAngle,
                        float endAngle, const IBlend* blend, bool antialias) {
    if (!drawBitmap) return true;
    RAST_DrawArc(drawBitmap.get(), cx, cy, radius, startAngle, endAngle, colour.Packed(),
                 colour.Opacity(), IBlend::RastModeOf(blend) & RAST_MODE_MASK, antialias);
    return true;
}

void IGraphics::ReleaseCapture() {
    mouseCapture = -1;
    lastMouseX = lastMouseY = -1;
}

void IGraphics::MouseDownAt(int x, int y, const IMouseKeys& keys) {
    ReleaseCapture();
    const int index = FindControlAt(x, y);
    IControl* control = GetControl(index);
    if (!control) return;
    mouseCapture = index;
    lastMouseX = x;
    lastMouseY = y;
    // A press anywhere but on the popup and its items closes it; the pressed
    // control stays in the list (only the popup is removed), so it stays valid.
    IControl* popup = OpenPopup();
    if (popup && control != popup && control->Parent() != popup) {
        ClosePopup(false);
        mouseCapture = IndexOf(control);
    }
    if (plug && control->IsBound()) plug->BeginHostEdit(control->ParamIndex());
    control->MouseDown(x, y, keys);
}

void IGraphics::MouseUpAt(int x, int y, const IMouseKeys& keys) {
    IControl* control = GetControl(FindControlAt(x, y));
    ReleaseCapture();
    if (!control) return;
    control->MouseUp(x, y, keys);
    if (plug && control->IsBound()) plug->EndHostEdit(control->ParamIndex());
}

void IGraphics::MouseDragTo(int x, int y, const IMouseKeys& keys) {
    IControl* control = GetControl(mouseCapture);
    if (!control) return;
    // Wide differences: the window may report any coordinates once captured.
    const int64_t dX = int64_t{x} - lastMouseX, dY = int64_t{y} - lastMouseY;
    if (dX == 0 && dY == 0) return;
    lastMouseX = x;
    lastMouseY = y;
    control->MouseDrag(x, y, ClampToInt(dX), ClampToInt(dY), keys);
}

bool IGraphics::MouseDoubleClickAt(int x, int y, const IMouseKeys& keys) {
    ReleaseCapture();
    const int index = FindControlAt(x, y);
    IControl* control = GetControl(index);
    if (!control) return false;
    // The end of this edit comes with the next button release.
    if (plug && control->IsBound()) plug->BeginHostEdit(control->ParamIndex());
    if (!control->DoubleClickAsClick()) {
        control->MouseDoubleClick(x, y, keys);
        return false;
    }
    mouseCapture = index;
    lastMouseX = x;
    lastMouseY = y;
    control->MouseDown(x, y, keys);
    return true;
}

void IGraphics::MouseWheelAt(int x, int y, const IMouseKeys& keys, double delta) {
    IControl* control = GetControl(FindControlAt(x, y));
    if (!control) return;
    control->MouseWheel(x, y, keys, delta);
    // A wheel turn has no release; the core ends the edit after a short countdown.
    if (plug && control->IsBound()) plug->EndHostEditLater(control->ParamIndex());
}

bool IGraphics::MouseOverAt(int x, int y, const IMouseKeys& keys) {
    if (!handleMouseOver) return false;
    const int index = FindControlAt(x, y);
    IControl* control = GetControl(index);
    if (!control) return true;
    lastMouseX = x;
    lastMouseY = y;
    control->MouseOver(x, y, keys);
    if (mouseOverIndex != index)
        if (IControl* previous = GetControl(mouseOverIndex)) previous->MouseOut();
    mouseOverIndex = index;
    return true;
}

void IGraphics::MouseLeft() {
    for (const auto& control : controls)
        control->MouseOut();
    mouseOverIndex = -1;
}

void IGraphics::KeyDownAt(int x, int y, int key) {
    if (IControl* control = GetControl(FindControlAt(x, y))) control->KeyDown(x, y, key);
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
    openPopup = nullptr;
}

int IGraphics::IndexOf(const IControl* control) const {
    if (!control) return -1;
    for (int i = 0; i < NumControls(); ++i)
        if (controls[static_cast<size_t>(i)].get() == control) return i;
    return -1;
}

void IGraphics::SetOpenPopup(IControl* popup) {
    if (IndexOf(popup) < 0) return;
    openPopup = popup;
    popupMarker = PopupMarker::Open;
}

void IGraphics::ClosePopup(bool chosen) {
    const int index = IndexOf(OpenPopup());
    if (index < 0) return;
    if (!chosen)
        if (IControl* owner = openPopup->Parent()) owner->PopupChoice("", -1);
    controls.erase(controls.begin() + index);
    openPopup = nullptr;
    // Indexes above the popup move down; one that named it names nothing now.
    for (int* slot : {&mouseCapture, &mouseOverIndex}) {
        if (*slot == index)
            *slot = -1;
        else if (*slot > index)
            --*slot;
    }
    popupMarker = chosen ? PopupMarker::None : PopupMarker::Dismissed;
    RedrawAll();
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
    ForgetPopup();
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
