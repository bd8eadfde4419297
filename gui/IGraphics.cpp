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
#include "RAST_LazyBitmap.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"
#include "RAST_Primitives.h"
#include "RAST_Resample.h"
#include "RAST_SysBitmap.h"

namespace {
int ClampToInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool SamePixels(const RAST_IBitmap& a, const RAST_IBitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    // Pieces cut alike from one image are equal without making their pixels.
    const auto* lazyA = dynamic_cast<const RAST_LazyBitmap*>(&a);
    const auto* lazyB = dynamic_cast<const RAST_LazyBitmap*>(&b);
    if (lazyA && lazyB && lazyA->SameRecipe(*lazyB)) return true;
    for (int y = 0; y < a.height(); ++y)
        if (!std::equal(RAST_RowPointer(&a, y), RAST_RowPointer(&a, y) + a.width(),
                        RAST_RowPointer(&b, y)))
            return false;
    return true;
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
    drawBitmap = std::make_unique<RAST_SysBitmap>(PixelWidth(), PixelHeight());
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
    imageOrigins[bitmap] = ImageOrigin{id, bitmap, bitmap->width(), bitmap->height(), 0};
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

std::unique_ptr<RAST_IBitmap> IGraphics::CutPiece(const IImage& image, int x, int w) {
    RAST_IBitmap* whole = image.bitmap;
    const int h = image.height;
    if (dynamic_cast<RAST_LazyBitmap*>(whole)) {
        // A loaded image, kept by the cache for the module's life: the piece
        // is cut when first drawn, so an editor never shown decodes nothing.
        return std::make_unique<RAST_LazyBitmap>(
            w, h,
            [whole, x, w, h](RAST_MemBitmap& target) {
                RAST_BlitArea(&target, whole, 0, 0, x, 0, w, h, 1.0f, RAST_MODE_COPY);
                return true;
            },
            RAST_LazyBitmap::Recipe{whole, x, 0});
    }
    auto piece = std::make_unique<RAST_MemBitmap>(w, h, 4);
    RAST_BlitArea(piece.get(), whole, 0, 0, x, 0, w, h, 1.0f, RAST_MODE_COPY);
    return piece;
}

IImage IGraphics::SplitImage(IImage& image, double fraction) {
    if (!image.IsValid() || !(fraction >= 0.0 && fraction <= 1.0)) return IImage{};
    const int leftWidth = static_cast<int>(image.width * fraction);
    const int rightWidth = static_cast<int>(image.width * (1.0 - fraction));
    std::unique_ptr<RAST_IBitmap> left = CutPiece(image, 0, leftWidth);
    std::unique_ptr<RAST_IBitmap> right = CutPiece(image, leftWidth, rightWidth);

    // At a scale the pieces are cut from the scaled strip they came from.
    const auto found = imageOrigins.find(image.bitmap);
    const ImageOrigin origin = found != imageOrigins.end()
                                   ? found->second
                                   : ImageOrigin{0, image.bitmap, image.width, image.height, 0};
    imageOrigins[left.get()] = origin;
    imageOrigins[right.get()] = ImageOrigin{origin.id, origin.root, origin.rootWidth,
                                            origin.rootHeight, origin.left + leftWidth};

    // The right piece carries the id under which the left one is registered.
    --nextSyntheticId;
    RAST_IBitmap* leftBitmap = ImageCache::Instance().Add(nextSyntheticId, std::move(left));
    // Every surface counts its ids from -2 and the cache gives the first piece
    // under an id, so a knob here may turn another editor's piece: when its
    // pixels are the same it has the same origin, and at a scale is cut from
    // the same larger set rather than enlarged.
    RAST_IBitmap* first = ImageCache::Instance().Find(nextSyntheticId);
    if (first && first != leftBitmap && SamePixels(*first, *leftBitmap))
        imageOrigins[first] = origin;
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
    return FindControlAtLayout(ToLayout(x), ToLayout(y));
}

int IGraphics::FindControlAtLayout(int x, int y) const {
    if (mouseCapture >= 0 && mouseCapture < NumControls()) return mouseCapture;
    for (int i = NumControls() - 1; i >= 0; --i) {
        const IControl& control = *controls[static_cast<size_t>(i)];
        if (control.IsHidden() || control.IsGrayed()) continue;
        if (control.Contains(x, y)) return i;
    }
    return -1;
}

namespace {
// Spacing of the concentric passes that make a thick arc look solid.
constexpr float kBandStep = 0.3f;
// A band thicker than the widest editor is a layout error; its passes stop here.
constexpr int kMaxBandPasses = 2000;

// Whether a circle of radius r around (cx, cy) stays clear of the w x h
// surface: wholly outside it, or enclosing it. Such passes are skipped, so a
// huge radius costs nothing.
bool CircleMissesSurface(double cx, double cy, double r, int w, int h) {
    const double dx = std::max({0.0, -cx, cx - w}), dy = std::max({0.0, -cy, cy - h});
    const double farX = std::max(std::fabs(cx), std::fabs(cx - w));
    const double farY = std::max(std::fabs(cy), std::fabs(cy - h));
    const double margin = 2.0; // the antialiased rim
    return r + margin < std::hypot(dx, dy) || r - margin > std::hypot(farX, farY);
}

// Round half up of a fractional layout length, at least one pixel.
int ScaledLength(double length, double factor) {
    return std::max(1, SaturateInt(static_cast<int64_t>(std::floor(length * factor + 0.5))));
}
} // namespace

bool IGraphics::DrawImage(const IImage& image, const IBounds& dest, int srcX, int srcY,
                          const IBlend* blend) {
    if (!drawBitmap || !image.bitmap) return true;
    const RAST_IBitmap* source = image.bitmap;
    IBounds target = dest;
    if (scaleFactor != 1.0) {
        const ScaledImage* scaled = ScaledFor(image, true);
        if (!scaled) return true;
        source = scaled->bitmap.get();
        target = ToPixels(dest);
        srcX = ToPixels(srcX);
        srcY = ToPixels(srcY);
    }
    const IBounds clip = target.Intersect(drawBounds);
    if (clip.IsEmpty()) return true;
    // Wide sums: a far-off dest must not wrap the source offset around.
    const int x = ClampToInt(int64_t{srcX} + clip.left - target.left);
    const int y = ClampToInt(int64_t{srcY} + clip.top - target.top);
    RAST_BlitArea(drawBitmap.get(), source, clip.left, clip.top, x, y, clip.W(), clip.H(),
                  IBlend::WeightOf(blend), IBlend::RastModeOf(blend));
    return true;
}

bool IGraphics::DrawImageFrame(const IImage& image, const IBounds& dest, int frame,
                               const IBlend* blend, bool stacked) {
    const int frames = image.FrameCount();
    if (scaleFactor != 1.0) {
        if (!drawBitmap || !image.bitmap) return true;
        const ScaledImage* scaled = ScaledFor(image, stacked);
        if (!scaled) return true;
        // Frames lie at whole multiples of the scaled frame size; the copy
        // stops at the frame's end, so a neighbour never shows.
        // Past the last frame the 1x copy reads beyond the strip: nothing.
        if (frame > frames) return true;
        const int index = frame >= 2 ? frame - 1 : 0;
        const IBounds target = ToPixels(dest);
        IBounds box =
            IBounds::FromSize(target.left, target.top, std::min(target.W(), scaled->frameWidth),
                              std::min(target.H(), scaled->frameHeight));
        const IBounds clip = box.Intersect(drawBounds);
        if (clip.IsEmpty()) return true;
        const int64_t frameX = stacked ? 0 : int64_t{index} * scaled->frameWidth;
        const int64_t frameY = stacked ? int64_t{index} * scaled->frameHeight : 0;
        RAST_BlitArea(drawBitmap.get(), scaled->bitmap.get(), clip.left, clip.top,
                      ClampToInt(frameX + clip.left - target.left),
                      ClampToInt(frameY + clip.top - target.top), clip.W(), clip.H(),
                      IBlend::WeightOf(blend), IBlend::RastModeOf(blend));
        return true;
    }
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

const RAST_IBitmap* IGraphics::ImageSet(int id, const RAST_IBitmap* base, int& setScale) {
    // The smallest set at least as large as the factor; when it is missing,
    // the larger ones (shrunk) and then the smaller ones (enlarged).
    const int wanted = scaleFactor <= 1.0 ? 1 : scaleFactor <= 2.0 ? 2 : 3;
    int order[3] = {wanted, 0, 0};
    int n = 1;
    for (int s = wanted + 1; s <= 3; ++s)
        order[n++] = s;
    for (int s = wanted - 1; s >= 1; --s)
        order[n++] = s;
    for (int s : order) {
        if (s == 1 || id <= 0 || id > std::numeric_limits<int>::max() - 200) {
            if (s != 1) continue;
            setScale = 1;
            return base;
        }
        const int setId = id + 100 * (s - 1);
        if (missingSets.count(setId) != 0) continue;
        RAST_IBitmap* set = ImageCache::Instance().FindOrLoad(
            setId, [this, setId] { return LoadImageResource(setId); });
        if (set && set->width() > 0 && set->height() > 0) {
            setScale = s;
            return set;
        }
        missingSets.insert(setId);
    }
    setScale = 1;
    return base;
}

const IGraphics::ScaledImage* IGraphics::ScaledFor(const IImage& image, bool stacked) {
    if (!image.IsValid()) return nullptr;
    const int frames = image.FrameCount();
    const ScaledKey key{image.bitmap, stacked ? frames : -frames};
    if (auto found = scaledImages.find(key); found != scaledImages.end())
        return found->second.bitmap ? &found->second : nullptr;

    ScaledImage scaled;
    const auto origin = imageOrigins.find(image.bitmap);
    if (origin != imageOrigins.end() && origin->second.root != image.bitmap) {
        // A split piece: cut from the scaled strip at its mapped edges.
        const ImageOrigin& o = origin->second;
        const ScaledImage* whole = ScaledFor(
            IImage{const_cast<RAST_IBitmap*>(o.root), o.rootWidth, o.rootHeight, 1, 0}, true);
        if (whole) {
            const int left = ToPixels(o.left);
            const int right = std::min(ToPixels(o.left + image.width), whole->bitmap->width());
            if (right > left) {
                const int h = whole->bitmap->height();
                scaled.bitmap = std::make_unique<RAST_MemBitmap>(right - left, h, 4);
                RAST_BlitArea(scaled.bitmap.get(), whole->bitmap.get(), 0, 0, left, 0, right - left,
                              h, 1.0f, RAST_MODE_COPY);
                scaled.frameWidth = right - left;
                scaled.frameHeight = h;
            }
        }
    } else {
        const double frameW = stacked ? image.width : double(image.width) / frames;
        const double frameH = stacked ? double(image.height) / frames : image.height;
        const int w = ScaledLength(frameW, scaleFactor), h = ScaledLength(frameH, scaleFactor);
        scaled.frameWidth = w;
        scaled.frameHeight = h;
        scaled.bitmap = BuildScaled(image, stacked, w, h);
    }
    if (!scaled.bitmap) scaled = ScaledImage{};
    // A failure is remembered too, so a broken image is not rebuilt every paint.
    const ScaledImage& stored = scaledImages[key] = std::move(scaled);
    return stored.bitmap ? &stored : nullptr;
}

std::unique_ptr<RAST_MemBitmap> IGraphics::BuildScaled(const IImage& image, bool stacked,
                                                       int frameW, int frameH) {
    const int frames = image.FrameCount();
    const auto origin = imageOrigins.find(image.bitmap);
    int setScale = 1;
    const RAST_IBitmap* set =
        ImageSet(origin != imageOrigins.end() ? origin->second.id : 0, image.bitmap, setScale);
    const int64_t totalW = stacked ? frameW : int64_t{frameW} * frames;
    const int64_t totalH = stacked ? int64_t{frameH} * frames : frameH;
    if (totalW > RAST_MAX_DIMENSION || totalH > RAST_MAX_DIMENSION) return nullptr;
    auto bitmap =
        std::make_unique<RAST_MemBitmap>(static_cast<int>(totalW), static_cast<int>(totalH), 4);
    if (bitmap->width() != totalW || bitmap->height() != totalH) return nullptr;
    // Frame by frame, so no frame averages in a neighbour's edge. A set whose
    // size does not match its factor is still cut into the same frame count.
    const int extent = stacked ? set->height() : set->width();
    for (int k = 0; k < frames; ++k) {
        const int from = static_cast<int>(int64_t{extent} * k / frames);
        const int to = static_cast<int>(int64_t{extent} * (k + 1) / frames);
        if (to <= from) return nullptr;
        const bool done = stacked ? RAST_Resample(set, 0, from, set->width(), to - from,
                                                  bitmap.get(), 0, k * frameH, frameW, frameH)
                                  : RAST_Resample(set, from, 0, to - from, set->height(),
                                                  bitmap.get(), k * frameW, 0, frameW, frameH);
        if (!done) return nullptr;
    }
    return bitmap;
}

void IGraphics::FillPixelBox(const IArgb& colour, const IBounds& box, const IBlend* blend) {
    const IBounds clip = box.Intersect(drawBounds);
    if (clip.IsEmpty()) return;
    RAST_FillRectangle(drawBitmap.get(), clip.left, clip.top, clip.W(), clip.H(), colour.Packed(),
                       IBlend::WeightOf(blend), IBlend::RastModeOf(blend));
}

bool IGraphics::FillBox(const IArgb& colour, const IBounds& box, const IBlend* blend) {
    if (!drawBitmap) return true;
    FillPixelBox(colour, ToPixels(box), blend);
    return true;
}

bool IGraphics::DrawLine(const IArgb& colour, float x1, float y1, float x2, float y2,
                         const IBlend* blend, bool antialias) {
    if (!drawBitmap) return true;
    // Only the blend's combiner applies; the colour's alpha is the opacity.
    const int mode = IBlend::RastModeOf(blend) & RAST_MODE_MASK;
    if (scaleFactor == 1.0) {
        RAST_DrawLineF(drawBitmap.get(), x1, y1, x2, y2, colour.Packed(), colour.Opacity(), mode,
                       antialias);
        return true;
    }
    // A layout pixel's centre maps to the centre of the pixels it covers; the
    // line is as many pixels wide as the factor, side by side.
    const float f = static_cast<float>(scaleFactor);
    auto map = [f](float v) { return (v + 0.5f) * f - 0.5f; };
    const float ax = map(x1), ay = map(y1), bx = map(x2), by = map(y2);
    const float length = std::hypot(bx - ax, by - ay);
    const float nx = length > 0.0f ? -(by - ay) / length : 0.0f;
    const float ny = length > 0.0f ? (bx - ax) / length : 1.0f;
    const int n = LineWidth();
    for (int k = 0; k < n; ++k) {
        const float d = k - (n - 1) * 0.5f;
        RAST_DrawLineF(drawBitmap.get(), ax + nx * d, ay + ny * d, bx + nx * d, by + ny * d,
                       colour.Packed(), colour.Opacity(), mode, antialias);
    }
    return true;
}

bool IGraphics::DrawArc(const IArgb& colour, float cx, float cy, float radius, float startAngle,
                        float endAngle, const IBlend* blend, bool antialias) {
    if (!drawBitmap) return true;
    const int mode = IBlend::RastModeOf(blend) & RAST_MODE_MASK;
    if (scaleFactor == 1.0) {
        RAST_DrawArc(drawBitmap.get(), cx, cy, radius, startAngle, endAngle, colour.Packed(),
                     colour.Opacity(), mode, antialias);
        return true;
    }
    const float f = static_cast<float>(scaleFactor);
    const int n = LineWidth();
    for (int k = 0; k < n; ++k)
        RAST_DrawArc(drawBitmap.get(), (cx + 0.5f) * f - 0.5f, (cy + 0.5f) * f - 0.5f,
                     radius * f + (k - (n - 1) * 0.5f), startAngle, endAngle, colour.Packed(),
                     colour.Opacity(), mode, antialias);
    return true;
}

void IGraphics::DrawArcBand(const IArgb& colour, float cx, float cy, float inner, float outer,
                            float startAngle, float endAngle, const IBlend& blend) {
    // Equal ends make an empty band, though the arc primitive would still
    // mark the end point.
    if (!(inner < outer) || startAngle == endAngle || !drawBitmap) return;
    if (scaleFactor == 1.0) {
        int passes = 0;
        for (float r = inner; r < outer && passes < kMaxBandPasses; r += kBandStep, ++passes) {
            if (CircleMissesSurface(cx, cy, r, Width(), Height())) continue;
            DrawArc(colour, cx, cy, r, startAngle, endAngle, &blend, true);
        }
        return;
    }
    // The band of one-pixel passes at 1x reaches half a pixel inside the first
    // and outside the last; the same band in pixels, passes 0.3 pixels apart.
    const float f = static_cast<float>(scaleFactor);
    const float last = inner + kBandStep * std::ceil((outer - inner) / kBandStep - 1.0f);
    const float from = (inner - 0.5f) * f + 0.5f, to = (last + 0.5f) * f - 0.5f;
    const float pcx = (cx + 0.5f) * f - 0.5f, pcy = (cy + 0.5f) * f - 0.5f;
    const int mode = IBlend::RastModeOf(&blend) & RAST_MODE_MASK;
    int passes = 0;
    const int maxPasses = static_cast<int>(kMaxBandPasses * std::ceil(scaleFactor));
    for (float r = from; r <= to + 0.001f && passes < maxPasses; r += kBandStep, ++passes) {
        if (CircleMissesSurface(pcx, pcy, r, PixelWidth(), PixelHeight())) continue;
        RAST_DrawArc(drawBitmap.get(), pcx, pcy, r, startAngle, endAngle, colour.Packed(),
                     colour.Opacity(), mode, true);
    }
}

void IGraphics::ReleaseCapture() {
    mouseCapture = -1;
    lastMouseX = lastMouseY = -1;
}

void IGraphics::MouseDownAt(int px, int py, const IMouseKeys& keys) {
    EventScope scope(*this);
    const int x = ToLayout(px), y = ToLayout(py);
    ReleaseCapture();
    dropNextRelease = false;
    const int index = FindControlAtLayout(x, y);
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
    MouseUpInLayout(ToLayout(x), ToLayout(y), keys);
}

void IGraphics::MouseUpInLayout(int x, int y, const IMouseKeys& keys) {
    IControl* control = GetControl(FindControlAtLayout(x, y));
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

void IGraphics::MouseDragTo(int px, int py, const IMouseKeys& keys) {
    EventScope scope(*this);
    IControl* control = GetControl(mouseCapture);
    if (!control) return;
    // Differences of layout coordinates: a drag of n layout pixels turns a
    // knob as far at any factor, whatever pixel steps the window reports.
    const int x = ToLayout(px), y = ToLayout(py);
    // Wide differences: the window may report any coordinates once captured.
    const int64_t dX = int64_t{x} - lastMouseX, dY = int64_t{y} - lastMouseY;
    if (dX == 0 && dY == 0) return;
    lastMouseX = x;
    lastMouseY = y;
    control->MouseDrag(x, y, ClampToInt(dX), ClampToInt(dY), keys);
}

bool IGraphics::MouseDoubleClickAt(int px, int py, const IMouseKeys& keys) {
    EventScope scope(*this);
    const int x = ToLayout(px), y = ToLayout(py);
    ReleaseCapture();
    dropNextRelease = false;
    const int index = FindControlAtLayout(x, y);
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

void IGraphics::MouseWheelAt(int px, int py, const IMouseKeys& keys, double delta) {
    EventScope scope(*this);
    const int x = ToLayout(px), y = ToLayout(py);
    IControl* control = GetControl(FindControlAtLayout(x, y));
    if (!control) return;
    const int paramIndex = control->ParamIndex();
    // A wheel turn has no press: its edit begins with the first notch.
    if (plug && paramIndex >= 0) plug->BeginWheelEdit(paramIndex);
    control->MouseWheel(x, y, keys, delta);
    // Nor a release; the core ends the edit after a short countdown.
    if (plug && paramIndex >= 0) plug->EndHostEditLater(paramIndex);
}

bool IGraphics::MouseOverAt(int px, int py, const IMouseKeys& keys) {
    EventScope scope(*this);
    if (!handleMouseOver) return false;
    const int x = ToLayout(px), y = ToLayout(py);
    const int index = FindControlAtLayout(x, y);
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

void IGraphics::KeyDownAt(int px, int py, int key) {
    EventScope scope(*this);
    const int x = ToLayout(px), y = ToLayout(py);
    if (IControl* control = GetControl(FindControlAtLayout(x, y))) control->KeyDown(x, y, key);
}

bool IGraphics::PaintRegion(const IBounds& box) {
    bool presented = true;
    Paint(box, false, presented);
    return presented;
}

bool IGraphics::PaintDirty(const IBounds& extra) {
    bool presented = true;
    return Paint(extra, true, presented);
}

bool IGraphics::Paint(const IBounds& box, bool dirty, bool& presented) {
    {
        // The audio thread changes values and hides controls under the lock:
        // what the paint needs is found and copied under it, which takes
        // microseconds.
        EventScope scope(*this);
        if (controls.empty()) return false;
        paintBoxes.clear();
        if (dirty) {
            const IBounds surface{0, 0, PixelWidth(), PixelHeight()};
            AddPaintBox(box.Intersect(surface));
            for (const auto& control : controls)
                if (control->NeedsRedraw())
                    AddPaintBox(ToPixels(control->Bounds()).Intersect(surface));
            if (paintBoxes.empty()) return false;
        } else {
            paintBoxes.push_back(box);
        }
        painting.clear();
        for (const auto& control : controls) {
            const IBounds b = ToPixels(control->Bounds());
            bool overlaps = false;
            if (!control->IsHidden() && !b.IsEmpty())
                for (const IBounds& area : paintBoxes)
                    overlaps = overlaps || (!area.IsEmpty() && b.Intersects(area));
            if (overlaps) {
                control->Capture();
                painting.push_back(control.get());
            }
            // Hidden or outside, the request is settled: the boxes cover
            // every dirty control, so nothing dirty lies outside them.
            control->MarkClean();
        }
    }
    // Drawing, and handing the result to the window system, go without the
    // lock: the controls draw only what they captured, and only this thread
    // adds or removes controls or touches the drawing bitmap.
    for (const IBounds& area : paintBoxes) {
        drawBounds = area;
        for (IControl* control : painting)
            if (paintBoxes.size() == 1 || ToPixels(control->Bounds()).Intersects(area))
                control->Paint(*this);
        presented = PresentRegion(area) && presented;
    }
    return true;
}

void IGraphics::AddPaintBox(IBounds box) {
    if (box.IsEmpty()) return;
    for (size_t i = 0; i < paintBoxes.size();) {
        if (paintBoxes[i].Intersects(box)) {
            // The union may reach boxes that neither overlapped before.
            box = box.Union(paintBoxes[i]);
            paintBoxes.erase(paintBoxes.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;
        } else {
            ++i;
        }
    }
    paintBoxes.push_back(box);
}

bool IGraphics::CollectDirty(IBounds& out) const {
    EventScope scope(*this);
    out = IBounds{};
    bool any = false;
    for (const auto& control : controls) {
        if (!control->NeedsRedraw()) continue;
        out = out.Union(ToPixels(control->Bounds()));
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
    const RAST_IBitmap* source = image.bitmap;
    int w = image.width, h = image.height;
    int left = ClampToInt(int64_t{centreX} - w / 2);
    int top = ClampToInt(int64_t{centreY} - h / 2);
    if (scaleFactor != 1.0) {
        const ScaledImage* scaled = ScaledFor(image, true);
        if (!scaled) return true;
        source = scaled->bitmap.get();
        // The corner the 1x image would take, mapped; the size is the scaled image's.
        left = ToPixels(left);
        top = ToPixels(top);
        w = source->width();
        h = source->height();
        srcX *= static_cast<float>(scaleFactor);
        srcY *= static_cast<float>(scaleFactor);
    }
    RAST_BlitRotated(drawBitmap.get(), source, left, top, w, h, srcX, srcY, static_cast<float>(w),
                     static_cast<float>(h), angle, false, IBlend::WeightOf(blend),
                     IBlend::RastModeOf(blend) | RAST_FLAG_FILTER);
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
    // At a scale the outline is factor pixels thick: nested outlines, each
    // one pixel in and with a radius one smaller.
    const IBounds pixels = ToPixels(box);
    const int radius = ToPixels(cornerRadius);
    const int n = LineWidth();
    for (int k = 0; k < n; ++k) {
        const IBounds inner{pixels.left + k, pixels.top + k, pixels.right - k, pixels.bottom - k};
        if (inner.W() <= 0 || inner.H() <= 0) break;
        DrawPixelRoundBox(colour, inner, std::max(0, radius - k), blend, antialias);
    }
    return true;
}

void IGraphics::DrawPixelRoundBox(const IArgb& colour, const IBounds& box, int cornerRadius,
                                  const IBlend* blend, bool antialias) {
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
}

bool IGraphics::FillRoundBox(const IArgb& colour, const IBounds& layoutBox, int cornerRadius,
                             int corners, const IBlend* blend, bool antialias) {
    if (!drawBitmap || layoutBox.W() <= 0 || layoutBox.H() <= 0) return true;
    const bool roundTop = corners == kAllCorners || corners == kTopCorners;
    const bool roundBottom = corners == kAllCorners || corners == kBottomCorners;
    if (!roundTop && !roundBottom) return true;
    const IBounds box = ToPixels(layoutBox);
    if (box.W() <= 0 || box.H() <= 0) return true;
    const int r = FittedRadius(box, ToPixels(cornerRadius));
    if (r == 0) {
        FillPixelBox(colour, box, blend);
        return true;
    }
    auto fill = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
        FillPixelBox(
            colour, IBounds{ClampToInt(x0), ClampToInt(y0), ClampToInt(x1), ClampToInt(y1)}, blend);
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
    if (scaleFactor != 1.0) {
        // Set by the font engine at the scaled size, not the 1x glyphs enlarged.
        ITextStyle scaled = style;
        scaled.size = FontPixelSize(style.size);
        font = FontCache::Instance().FindOrCreate(scaled);
        if (!font) return false;
    }
    font->setForeground(style.colour.Packed());
    int format = (style.colour.Packed() >> 24) == 0xFF ? RAST_DT_NOCLIP
                                                       : RAST_DT_NOCLIP | RAST_TEXT_USE_FG_ALPHA;
    if (style.align == ITextStyle::kCentre)
        format |= RAST_DT_CENTER;
    else if (style.align != ITextStyle::kLeft)
        format |= RAST_DT_RIGHT;
    const IBounds pixels = ToPixels(box);
    RAST_Rect rect{pixels.left, pixels.top, pixels.right, pixels.bottom};
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
    scaledImages.clear();
    if (drawBitmap) drawBitmap->resize(PixelWidth(), PixelHeight());
}

int IGraphics::ToPixels(int layoutLength) const {
    if (scaleFactor == 1.0) return layoutLength;
    return SaturateInt(static_cast<int64_t>(std::floor(layoutLength * scaleFactor + 0.5)));
}

IBounds IGraphics::ToPixels(const IBounds& layout) const {
    if (scaleFactor == 1.0) return layout;
    return IBounds{ToPixels(layout.left), ToPixels(layout.top), ToPixels(layout.right),
                   ToPixels(layout.bottom)};
}

int IGraphics::ToLayout(int pixel) const {
    if (scaleFactor == 1.0) return pixel;
    // The largest x with floor(x * f + 0.5) <= pixel. The quotient is exact
    // whenever it is whole, so ceil never overshoots by rounding.
    const double x = std::ceil((pixel + 0.5) / scaleFactor) - 1.0;
    return static_cast<int>(std::clamp(x, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

IBounds IGraphics::ControlPixelBounds(int index) const {
    const IControl* control = GetControl(index);
    return control ? ToPixels(control->Bounds()) : IBounds{};
}

int IGraphics::FontPixelSize(int layoutSize) const {
    return ToPixels(layoutSize);
}

int IGraphics::LineWidth() const {
    return std::max(1, static_cast<int>(std::floor(scaleFactor + 0.5)));
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
    {
        EventScope scope(*this);
        // Every edit the old layout of pixels had open is closed first, so
        // every value the host hears lies inside a begin and an end: a held
        // press ends (and its edit), a wheel edit waiting for its end gets it.
        if (plug && paramChangeCountdown != 0) plug->EndPendingHostEdit();
        paramChangeCountdown = 0;
        if (mouseCapture >= 0) MouseUpInLayout(lastMouseX, lastMouseY, IMouseKeys{});
        ReleaseCapture();
        dropNextRelease = false;
        // An open value entry is cancelled, sending nothing; the window drops
        // its field on its next tick.
        if (entryControl) entryState = kEntryCancel;
        for (const auto& control : controls)
            if (control->ValueEntryPending()) control->EndValueEntry();
        if (OpenPopup()) ClosePopup(false);
        ForgetPopup();
        if (IControl* hovered = GetControl(mouseOverIndex)) hovered->MouseOut();
        mouseOverIndex = -1;

        scaleFactor = factor;
        // Bitmaps of the old factor go; the new ones are made as they are drawn.
        scaledImages.clear();
        if (drawBitmap) drawBitmap->resize(PixelWidth(), PixelHeight());
        RedrawAll();
    }
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
        if (MouseCapture() >= 0) MouseUpInLayout(lastMouseX, lastMouseY, IMouseKeys{});
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
    return RAST_LazyPNGResource(nullptr, id);
}
