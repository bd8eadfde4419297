#include "IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "FontCache.h"
#include "IBitmapControl.h"
#include "ICoreBase.h"
#include "IEngineParam.h"
#include "ImageCache.h"
#include "PixelMath.h"
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

IGraphics::EventScope::EventScope(const IGraphics& graphics_)
    : graphics(graphics_), hold(graphics_.plug ? &graphics_.plug->Lock() : nullptr) {
    ++graphics.eventDepth;
}

IGraphics::EventScope::~EventScope() {
    hold.Release();
    if (--graphics.eventDepth > 0) return;
    // An action may queue another; each runs once.
    while (!graphics.afterEvent.empty()) {
        std::vector<std::function<void()>> actions;
        actions.swap(graphics.afterEvent);
        for (const auto& action : actions)
            action();
    }
}

void IGraphics::AfterEvent(std::function<void()> action) {
    if (!action) return;
    if (eventDepth > 0)
        afterEvent.push_back(std::move(action));
    else
        action();
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
    // A new system bitmap starts transparent black, so nothing stale is ever
    // presented; it is not filled here, which would touch all its memory in
    // every instance, editor or not.
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
    EventScope scope(*this);
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
    EventScope scope(*this);
    ReleaseCapture();
    dropNextRelease = false;
    const int index = FindControlAt(x, y);
    IControl* control = GetControl(index);
    if (!control) return;
    mouseCapture = index;
    lastMouseX = x;
    lastMouseY = y;
    ClosePopupOnPress(*control);
    if (plug && control->IsBound()) plug->BeginHostEdit(control->ParamIndex());
    // Last: a popup that chooses an item is deleted during its own press.
    control->MouseDown(x, y, keys);
}

void IGraphics::MouseUpAt(int x, int y, const IMouseKeys& keys) {
    EventScope scope(*this);
    IControl* control = GetControl(FindControlAt(x, y));
    ReleaseCapture();
    if (dropNextRelease) {
        dropNextRelease = false;
        return;
    }
    if (!control) return;
    // Read before the call, which may delete the control.
    const int paramIndex = control->ParamIndex();
    control->MouseUp(x, y, keys);
    if (plug && paramIndex >= 0) plug->EndHostEdit(paramIndex);
}

void IGraphics::MouseDragTo(int x, int y, const IMouseKeys& keys) {
    EventScope scope(*this);
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
    EventScope scope(*this);
    ReleaseCapture();
    dropNextRelease = false;
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
    // Taken as a press, it closes the popup like any other press.
    ClosePopupOnPress(*control);
    control->MouseDown(x, y, keys);
    return true;
}

void IGraphics::MouseWheelAt(int x, int y, const IMouseKeys& keys, double delta) {
    EventScope scope(*this);
    IControl* control = GetControl(FindControlAt(x, y));
    if (!control) return;
    const int paramIndex = control->ParamIndex();
    // A wheel turn has no press: its edit begins with the first notch.
    if (plug && paramIndex >= 0) plug->BeginWheelEdit(paramIndex);
    control->MouseWheel(x, y, keys, delta);
    // Nor a release; the core ends the edit after a short countdown.
    if (plug && paramIndex >= 0) plug->EndHostEditLater(paramIndex);
}

bool IGraphics::MouseOverAt(int x, int y, const IMouseKeys& keys) {
    EventScope scope(*this);
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
    EventScope scope(*this);
    for (const auto& control : controls)
        control->MouseOut();
    mouseOverIndex = -1;
}

void IGraphics::KeyDownAt(int x, int y, int key) {
    EventScope scope(*this);
    if (IControl* control = GetControl(FindControlAt(x, y))) control->KeyDown(x, y, key);
}

bool IGraphics::PaintRegion(const IBounds& box) {
    {
        // The audio thread changes values and hides controls under the lock:
        // what the paint needs is copied under it, which takes microseconds.
        EventScope scope(*this);
        if (controls.empty()) return true;
        drawBounds = box;
        painting.clear();
        for (const auto& control : controls) {
            const IBounds& b = control->Bounds();
            if (!control->IsHidden() && !box.IsEmpty() && !b.IsEmpty() && b.Intersects(box)) {
                control->Capture();
                painting.push_back(control.get());
            }
            // Hidden or outside, the request is settled: the window invalidates
            // exactly the dirty union, so nothing dirty lies outside the box.
            control->MarkClean();
        }
    }
    // Drawing, and handing the result to the window system, go without the
    // lock: the controls draw only what they captured, and only this thread
    // adds or removes controls or touches the drawing bitmap.
    for (IControl* control : painting)
        control->Paint(*this);
    return PresentRegion(box);
}

bool IGraphics::CollectDirty(IBounds& out) const {
    EventScope scope(*this);
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
    EventScope scope(*this);
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

void IGraphics::ClosePopupOnPress(const IControl& control) {
    // A press anywhere but on the popup and its items closes it. The pressed
    // control stays in the list (only the popup is removed), so it stays
    // valid; closing moves the capture's index with it.
    IControl* popup = OpenPopup();
    if (popup && &control != popup && control.Parent() != popup) ClosePopup(false);
}

void IGraphics::PopupItemChosen() {
    EventScope scope(*this);
    ReleaseCapture();
    mouseOverIndex = -1;
    dropNextRelease = true;
    ClosePopup(true);
}

bool IGraphics::DrawImageRotated(const IImage& image, int centreX, int centreY, float angle,
                                 const IBlend* blend, float srcX, float srcY) {
    if (!drawBitmap || !image.bitmap) return true;
    const int w = image.width, h = image.height;
    const int left = ClampToInt(int64_t{centreX} - w / 2);
    const int top = ClampToInt(int64_t{centreY} - h / 2);
    RAST_BlitRotated(drawBitmap.get(), image.bitmap, left, top, w, h, srcX, srcY,
                     static_cast<float>(w), static_cast<float>(h), angle, false,
                     IBlend::WeightOf(blend), IBlend::RastModeOf(blend) | RAST_FLAG_FILTER);
    return true;
}

namespace {
constexpr float kHalfPi = 1.5707963705062866f;
constexpr float kPi = 3.1415927410125732f;

// A corner radius that fits the box: never negative, and small enough that
// opposite corners (each r + 1 pixels across) do not meet.
int FittedRadius(const IBounds& box, int radius) {
    const int64_t limit = (std::min<int64_t>(box.W(), box.H()) - 2) / 2;
    return static_cast<int>(std::clamp<int64_t>(radius, 0, std::max<int64_t>(limit, 0)));
}
} // namespace

bool IGraphics::DrawRoundBox(const IArgb& colour, const IBounds& box, int cornerRadius,
                             const IBlend* blend, bool antialias) {
    if (!drawBitmap || box.W() <= 0 || box.H() <= 0) return true;
    const int r = FittedRadius(box, cornerRadius);
    const int mode = IBlend::RastModeOf(blend) & RAST_MODE_MASK;
    const Pixel packed = colour.Packed();
    const float alpha = colour.Opacity();
    // The outline runs along the box's first and last rows and columns. Every
    // pixel is drawn once: the quarter arcs end on the edges' outer pixels,
    // and without corners the top and bottom edges take the corner pixels.
    const int64_t left = box.left, top = box.top, right = int64_t{box.right} - 1,
                  bottom = int64_t{box.bottom} - 1;
    const int64_t inset = r > 0 ? r + 1 : 0;
    RAST_IBitmap* target = drawBitmap.get();
    auto line = [&](int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        if (x1 > x2 || y1 > y2) return;
        RAST_DrawLine(target, ClampToInt(x1), ClampToInt(y1), ClampToInt(x2), ClampToInt(y2),
                      packed, alpha, mode, false);
    };
    line(left + inset, top, right - inset, top);
    if (bottom > top) line(left + inset, bottom, right - inset, bottom);
    const int64_t sideInset = r > 0 ? inset : 1;
    line(left, top + sideInset, left, bottom - sideInset);
    if (right > left) line(right, top + sideInset, right, bottom - sideInset);
    if (r > 0) {
        const float fr = static_cast<float>(r);
        const float l = static_cast<float>(left + r), t = static_cast<float>(top + r);
        const float rt = static_cast<float>(right - r), b = static_cast<float>(bottom - r);
        RAST_DrawArc(target, l, t, fr, -kHalfPi, 0.0f, packed, alpha, mode, antialias);
        RAST_DrawArc(target, rt, t, fr, 0.0f, kHalfPi, packed, alpha, mode, antialias);
        RAST_DrawArc(target, rt, b, fr, kHalfPi, kPi, packed, alpha, mode, antialias);
        RAST_DrawArc(target, l, b, fr, kPi, kPi + kHalfPi, packed, alpha, mode, antialias);
    }
    return true;
}

bool IGraphics::FillRoundBox(const IArgb& colour, const IBounds& box, int cornerRadius, int corners,
                             const IBlend* blend, bool antialias) {
    if (!drawBitmap || box.W() <= 0 || box.H() <= 0) return true;
    const bool roundTop = corners == kAllCorners || corners == kTopCorners;
    const bool roundBottom = corners == kAllCorners || corners == kBottomCorners;
    if (!roundTop && !roundBottom) return true;
    const int r = FittedRadius(box, cornerRadius);
    if (r == 0) return FillBox(colour, box, blend);
    auto fill = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        FillBox(colour, IBounds{ClampToInt(x0), ClampToInt(y0), ClampToInt(x1), ClampToInt(y1)},
                blend);
    };
    // Each corner disc covers the square of r + 1 pixels from its centre to the
    // box's corner; the body is laid around those squares without overlapping
    // them, so semi-transparent colours are not painted twice anywhere.
    const int64_t l = box.left, t = box.top, rt = box.right, b = box.bottom;
    const int64_t bandTop = roundTop ? t + r + 1 : t, bandBottom = roundBottom ? b - 1 - r : b;
    fill(l, bandTop, rt, bandBottom);
    if (roundTop) fill(l + r + 1, t, rt - 1 - r, bandTop);
    if (roundBottom) fill(l + r + 1, bandBottom, rt - 1 - r, b);
    const int mode = IBlend::RastModeOf(blend) & RAST_MODE_MASK;
    const float fr = static_cast<float>(r);
    const float cl = static_cast<float>(l + r), cr = static_cast<float>(rt - 1 - r);
    const float ct = static_cast<float>(t + r), cb = static_cast<float>(b - 1 - r);
    RAST_IBitmap* target = drawBitmap.get();
    const Pixel packed = colour.Packed();
    const float alpha = colour.Opacity();
    if (roundTop) {
        RAST_FillArc(target, cl, ct, fr, -kHalfPi, 0.0f, packed, alpha, mode, antialias);
        RAST_FillArc(target, cr, ct, fr, 0.0f, kHalfPi, packed, alpha, mode, antialias);
    }
    if (roundBottom) {
        RAST_FillArc(target, cr, cb, fr, kHalfPi, kPi, packed, alpha, mode, antialias);
        RAST_FillArc(target, cl, cb, fr, kPi, kPi + kHalfPi, packed, alpha, mode, antialias);
    }
    return true;
}

bool IGraphics::DrawText(ITextStyle& style, const char* text, const IBounds& box) {
    if (!text || text[0] == '\0') return true;
    if (!style.cachedFont) style.cachedFont = FontCache::Instance().FindOrCreate(style);
    if (!style.cachedFont) return false;
    if (!drawBitmap) return true;
    RAST_CachedFont* font = style.cachedFont;
    font->setForeground(style.colour.Packed());
    int format = (style.colour.Packed() >> 24) == 0xFF ? RAST_DT_NOCLIP
                                                       : RAST_DT_NOCLIP | RAST_TEXT_USE_FG_ALPHA;
    if (style.align == ITextStyle::kCentre)
        format |= RAST_DT_CENTER;
    else if (style.align != ITextStyle::kLeft)
        format |= RAST_DT_RIGHT;
    RAST_Rect rect{box.left, box.top, box.right, box.bottom};
    font->renderText(drawBitmap.get(), text, -1, &rect, format);
    return true;
}

RAST_IBitmap* IGraphics::DrawBitmap() const {
    return drawBitmap.get();
}

void IGraphics::Resize(int newWidth, int newHeight) {
    EventScope scope(*this);
    width = std::max(0, newWidth);
    height = std::max(0, newHeight);
    mouseCapture = -1;
    lastMouseX = lastMouseY = -1;
    mouseOverIndex = -1;
    ForgetPopup();
    DeleteControls();
    if (drawBitmap) drawBitmap->resize(width, height);
}

int IGraphics::ToPixels(int layoutLength) const {
    return SaturateInt(static_cast<int64_t>(std::floor(layoutLength * scaleFactor + 0.5)));
}

int IGraphics::PixelWidth() const {
    return ToPixels(width);
}

int IGraphics::PixelHeight() const {
    return ToPixels(height);
}

bool IGraphics::SetScaleFactor(double factor) {
    if (!std::isfinite(factor) || factor < kMinScaleFactor || factor > kMaxScaleFactor)
        return false;
    if (factor == scaleFactor) return true;
    scaleFactor = factor;
    ScaleFactorChanged();
    return true;
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
bool IGraphics::WheelFromHost(double) {
    return false;
}

void IGraphics::StartParamChangeCountdown(int ticks) {
    paramChangeCountdown = std::max(1, ticks);
}

void IGraphics::StopParamChangeCountdown() {
    paramChangeCountdown = 0;
}

void IGraphics::CountDownParamChange() {
    if (paramChangeCountdown != 0 && --paramChangeCountdown == 0 && plug)
        plug->EndPendingHostEdit();
}

void IGraphics::SettleEditsOfClosingWindow(bool tellCore) {
    // The audio thread pushes values to the same controls under the lock.
    EventScope scope(*this);
    if (tellCore && plug) {
        // A wheel edit waiting for its end gets it now: no timer will run.
        if (paramChangeCountdown != 0) plug->EndPendingHostEdit();
        // So does a press still held, which would otherwise leave the host's
        // edit open.
        if (MouseCapture() >= 0) MouseUpAt(lastMouseX, lastMouseY, IMouseKeys{});
    }
    paramChangeCountdown = 0;
    if (IControl* control = entryControl; control && tellCore) {
        // An entry closed with the window is cancelled without sending anything.
        control->SetValueEntryPending(false);
        control->MarkDirty(false);
    }
}

std::unique_ptr<RAST_IBitmap> IGraphics::LoadImageResource(int id) {
    // Without a module handle the images come from the binary itself: its
    // compiled-in table on Linux, the executable's resources on Windows. The
    // Windows window overrides this to read the plug-in module's resources.
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGResource(nullptr, id));
}
