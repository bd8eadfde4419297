#include "RAST_CachedFont.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "RAST_Combiners.h"
#include "RAST_FontPlatform.h"

namespace {

// Shared by all fonts, which draw only on the editor's thread: the canvas
// glyphs are rendered on and the scratch surface of the native path.
int instanceCount = 0;
std::unique_ptr<RAST_SysBitmap> glyphCanvas;
std::unique_ptr<RAST_SysBitmap> scratchCanvas;

constexpr int kMaxCachedLineHeight = 1023;
constexpr int kMaxGlyphLineHeight = 255; // taller fonts are drawn natively where possible
constexpr std::size_t kExtendedStep = 4096 / sizeof(RAST_GlyphRecord);
constexpr std::size_t kStoreStep = 65536;

// Grows the canvas to at least size x size; it never shrinks.
RAST_SysBitmap& CanvasOfSize(int size) {
    if (!glyphCanvas) glyphCanvas = std::make_unique<RAST_SysBitmap>(0, 0);
    const int w = std::max(glyphCanvas->width(), size);
    const int h = std::max(glyphCanvas->height(), size);
    glyphCanvas->resize(w, h);
    return *glyphCanvas;
}

Pixel* Row(const RAST_IBitmap& bitmap, int y) {
    const int row = bitmap.bottomUp() ? bitmap.height() - 1 - y : y;
    return bitmap.pixelData() + static_cast<std::ptrdiff_t>(row) * bitmap.rowStride();
}

struct Box {
    long long left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
};

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

Box TargetBox(const RAST_IBitmap& target) {
    if (!target.pixelData() || target.rowStride() < target.width()) return {0, 0, 0, 0};
    return {0, 0, target.width(), target.height()};
}

int ClampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

RAST_CachedFont::RAST_CachedFont() {
    ++instanceCount;
}

RAST_CachedFont::~RAST_CachedFont() {
    if ((flags_ & RAST_FONT_OWNS_HANDLE) && font_) RAST_DeleteFontHandle(font_);
    if (--instanceCount == 0) {
        glyphCanvas.reset();
        scratchCanvas.reset();
    }
}

void RAST_CachedFont::adoptGdiFont(RAST_FontHandle font, int flags) {
    if ((flags_ & RAST_FONT_OWNS_HANDLE) && font_ && font_ != font) RAST_DeleteFontHandle(font_);
    flags_ = flags;
    font_ = font;
    lineHeight_ = 0;
    if (font_) {
        CanvasOfSize(256);
        lineHeight_ = RAST_FontPlatform::LineHeight(font_);
    }
    clearCache();
    if ((flags_ & RAST_FONT_ASCII_ONLY) && font_) {
        for (int code = 0; code < 128; ++code)
            renderIntoCache(code);
    }
}

Pixel RAST_CachedFont::setForeground(Pixel colour) {
    return std::exchange(foreground_, colour);
}
Pixel RAST_CachedFont::setBackground(Pixel colour) {
    return std::exchange(background_, colour);
}
Pixel RAST_CachedFont::setEffectTint(Pixel colour) {
    return std::exchange(effectTint_, colour);
}
int RAST_CachedFont::setBackgroundMode(int mode) {
    return std::exchange(backgroundMode_, mode);
}
void RAST_CachedFont::setBlend(int mode, float alpha) {
    blendMode_ = mode;
    blendAlpha_ = alpha;
}

void RAST_CachedFont::clearCache() {
    direct_.fill(RAST_GlyphRecord{});
    for (int code = 0; code < 128; ++code)
        direct_[code].code = code;
    extended_.clear();
    store_.clear();
}

const RAST_GlyphRecord* RAST_CachedFont::findGlyph(int code) const {
    if (code >= 0 && code < 128) return &direct_[code];
    auto it = std::lower_bound(extended_.begin(), extended_.end(), code,
                               [](const RAST_GlyphRecord& g, int c) { return g.code < c; });
    return it != extended_.end() && it->code == code ? &*it : nullptr;
}

RAST_GlyphRecord* RAST_CachedFont::findRecord(int code) {
    return const_cast<RAST_GlyphRecord*>(findGlyph(code));
}

RAST_GlyphRecord* RAST_CachedFont::recordFor(int code) {
    if (code < 0 || code > 0xFFFF) return nullptr;
    if (RAST_GlyphRecord* found = findRecord(code)) return found;
    if (flags_ & RAST_FONT_ASCII_ONLY) return nullptr;
    if (extended_.size() == extended_.capacity())
        extended_.reserve(extended_.capacity() + kExtendedStep);
    // Inserting at the sorted position keeps the list ordered by code.
    auto it = std::lower_bound(extended_.begin(), extended_.end(), code,
                               [](const RAST_GlyphRecord& g, int c) { return g.code < c; });
    RAST_GlyphRecord record{};
    record.code = code;
    return &*extended_.insert(it, record);
}

const std::uint8_t* RAST_CachedFont::glyphMask(const RAST_GlyphRecord& glyph) const {
    if (glyph.storePos <= 0) return nullptr;
    return store_.data() + (glyph.storePos - 1);
}

RAST_CachedFont::ColumnSpan RAST_CachedFont::TrimColumns(const std::uint8_t* box, int width,
                                                         int height, int margin, int advance) {
    auto covered = [&](int column) {
        for (int y = 0; y < height; ++y)
            if (box[static_cast<std::size_t>(y) * width + column]) return true;
        return false;
    };
    const int lead = std::clamp(margin, 0, width);
    int first = lead;
    for (int c = 0; c < lead; ++c) {
        if (covered(c)) {
            first = c;
            break;
        }
    }
    // Coverage beyond the advance (an italic overhang) is kept.
    const int advanceEnd = std::clamp(margin + advance, first, width);
    int end = advanceEnd;
    for (int c = width - 1; c >= advanceEnd; --c) {
        if (covered(c)) {
            end = c + 1;
            break;
        }
    }
    return {first, end};
}

void RAST_CachedFont::renderIntoCache(int code) {
    if (!font_ || lineHeight_ > kMaxCachedLineHeight) return;
    RAST_GlyphRecord* glyph = recordFor(code);
    if (!glyph || glyph->storePos != 0) return;

    RAST_SysBitmap& canvas = CanvasOfSize(2 * std::max(lineHeight_, 1) + 8);
    const int margin = lineHeight_ / 16 + 2;
    int advance = 0, height = 0;
    RAST_FontPlatform::MeasureGlyph(font_, canvas, static_cast<unsigned>(code), advance, height);
    int boxWidth = advance + (lineHeight_ / 8 + 2) + margin;
    boxWidth = std::clamp(boxWidth, 0, canvas.width());
    height = std::clamp(height, 0, canvas.height());
    advance = std::min(advance, canvas.width());
    if (canvas.pixelData()) {
        for (int y = 0; y < height; ++y)
            std::fill_n(Row(canvas, y), boxWidth, Pixel(0));
        RAST_FontPlatform::DrawGlyph(font_, canvas, static_cast<unsigned>(code), margin);
    }
    const std::size_t boxBytes = static_cast<std::size_t>(boxWidth) * std::max(height, 0);
    if (advance < 1 || height < 1 || !canvas.pixelData() ||
        store_.size() + boxBytes >= static_cast<std::size_t>(INT32_MAX)) {
        *glyph = RAST_GlyphRecord{-1, 0, 0, 0, code, 0};
        return;
    }

    // Copy the red bytes as coverage straight into the store, then trim the
    // columns in place and give back the rest.
    const std::size_t start = store_.size();
    if (start + boxBytes > store_.capacity())
        store_.reserve((start + boxBytes + kStoreStep - 1) / kStoreStep * kStoreStep);
    store_.resize(start + boxBytes);
    std::uint8_t* box = store_.data() + start;
    const bool invert = (flags_ & RAST_FONT_INVERT) != 0;
    for (int y = 0; y < height; ++y) {
        const Pixel* row = Row(canvas, y);
        for (int x = 0; x < boxWidth; ++x) {
            const auto red = static_cast<std::uint8_t>(row[x] >> 16);
            box[static_cast<std::size_t>(y) * boxWidth + x] = invert ? 255 - red : red;
        }
    }
    const ColumnSpan span = TrimColumns(box, boxWidth, height, margin, advance);
    const int width = span.end - span.first;
    for (int y = 0; y < height; ++y)
        std::memmove(box + static_cast<std::size_t>(y) * width,
                     box + static_cast<std::size_t>(y) * boxWidth + span.first, width);
    store_.resize(start + static_cast<std::size_t>(width) * height);
    *glyph = RAST_GlyphRecord{
        static_cast<std::int32_t>(start + 1), width, height, advance, code, margin - span.first};
}

int RAST_CachedFont::DecodeUtf8(const unsigned char* s, std::size_t length, std::size_t& used) {
    auto continuation = [&](std::size_t n) {
        if (length < n + 1) return false;
        for (std::size_t i = 1; i <= n; ++i)
            if ((s[i] & 0xC0) != 0x80) return false;
        return true;
    };
    const int lead = s[0];
    if (lead >= 0xC2 && lead <= 0xDF && continuation(1)) {
        used = 2;
        return (lead & 0x1F) << 6 | (s[1] & 0x3F);
    }
    if (lead >= 0xE0 && lead <= 0xEF && continuation(2)) {
        used = 3;
        return (lead & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
    }
    if (lead >= 0xF0 && lead <= 0xF4 && continuation(3)) {
        used = 4;
        return ' '; // beyond 16 bits: not drawn
    }
    used = 1;
    return lead;
}

bool RAST_CachedFont::nativePathFor(int format) const {
    if (!font_ || !RAST_FontPlatform::HasNativeText()) return false;
    if (lineHeight_ > kMaxGlyphLineHeight) return true;
    return (flags_ & RAST_FONT_PREFER_GDI) && !(format & RAST_TEXT_INTERNAL) &&
           !(format & RAST_TEXT_USE_FG_ALPHA) && !(flags_ & (RAST_FONT_ASCII_ONLY | 0x1F3)) &&
           (extraLineGap_ == 0 || (format & RAST_DT_SINGLELINE)) &&
           RAST_FontPlatform::NativeTextAvailable();
}

RAST_CachedFont::Extent RAST_CachedFont::measure(const std::vector<int>& codes) const {
    const long long lineStep = static_cast<long long>(lineHeight_) + extraLineGap_;
    long long x = 0, top = 0, width = 0, height = 0;
    for (int code : codes) {
        if (code == '\n') {
            x = 0;
            top += lineStep;
            continue;
        }
        const RAST_GlyphRecord* glyph = findGlyph(code);
        if (!glyph || glyph->storePos <= 0) continue;
        width = std::max(width, x + glyph->width - glyph->leftOffset);
        height = std::max(height, top + glyph->height);
        x += glyph->advance;
        width = std::max(width, x);
    }
    return {width, height};
}

int RAST_CachedFont::renderText(RAST_IBitmap* target, const char* text, int count, RAST_Rect* rect,
                                int format) {
    const bool calcRect = (format & RAST_DT_CALCRECT) != 0;
    if ((!target && !calcRect) || !rect) return 0;
    if (!text) text = "";
    // A zero byte ends the text even within count.
    const std::size_t length =
        count < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(count));

    if (nativePathFor(format)) {
        RAST_FontPlatform::NativeText request{};
        request.font = font_;
        request.target = target;
        if (!scratchCanvas) scratchCanvas = std::make_unique<RAST_SysBitmap>(0, 0);
        request.scratch = scratchCanvas.get();
        request.text = text;
        request.count = static_cast<int>(std::min<std::size_t>(length, INT_MAX));
        request.rect = rect;
        request.format = format;
        request.foreground = foreground_;
        request.background = background_;
        request.backgroundMode = backgroundMode_;
        request.alpha = blendAlpha_;
        return RAST_FontPlatform::DrawNative(request);
    }

    // Decode, and render every character not cached yet.
    const bool singleLine = (format & RAST_DT_SINGLELINE) != 0;
    codes_.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < length;) {
        std::size_t used = 1;
        int code = DecodeUtf8(bytes + i, length - i, used);
        i += used;
        if (code == '\r') continue;
        if (code == '\n' && singleLine) code = ' ';
        codes_.push_back(code);
        if (code == '\n') continue;
        const RAST_GlyphRecord* glyph = findGlyph(code);
        if (!glyph || glyph->storePos == 0) renderIntoCache(code);
    }

    if (calcRect) {
        const Extent extent = measure(codes_);
        rect->right = ClampToInt(static_cast<long long>(rect->left) + extent.width);
        rect->bottom = ClampToInt(static_cast<long long>(rect->top) + extent.height);
        return ClampToInt(extent.height);
    }

    float alpha = blendAlpha_;
    if (format & RAST_TEXT_USE_FG_ALPHA) alpha *= static_cast<float>(foreground_ >> 24) / 255.0f;
    if (RAST_Alpha256(alpha) <= 0) return 0;

    long long x = rect->left, y = rect->top;
    if (format & (RAST_DT_CENTER | RAST_DT_RIGHT | RAST_DT_VCENTER | RAST_DT_BOTTOM)) {
        const Extent extent = measure(codes_);
        if (format & RAST_DT_CENTER)
            x = rect->left + (static_cast<long long>(rect->right) - extent.width - rect->left) / 2;
        else if (format & RAST_DT_RIGHT)
            x = rect->right - extent.width;
        if (format & RAST_DT_VCENTER)
            y = rect->top + (static_cast<long long>(rect->bottom) - extent.height - rect->top) / 2;
        else if (format & RAST_DT_BOTTOM)
            y = rect->bottom - extent.height;
    }

    Box clip = TargetBox(*target);
    if (!(format & RAST_DT_NOCLIP))
        clip = Intersect(clip, {rect->left, rect->top, rect->right, rect->bottom});
    if (clip.empty()) return 0;
    const RAST_Rect clipRect{static_cast<int>(clip.left), static_cast<int>(clip.top),
                             static_cast<int>(clip.right), static_cast<int>(clip.bottom)};

    const float savedAlpha = std::exchange(blendAlpha_, alpha);
    const long long startX = x, startY = y;
    const long long lineStep = static_cast<long long>(lineHeight_) + extraLineGap_;
    long long bottom = startY;
    for (int code : codes_) {
        if (code == '\n') {
            x = startX;
            y += lineStep;
            continue;
        }
        const RAST_GlyphRecord* glyph = findGlyph(code);
        if (!glyph || glyph->storePos <= 0) continue;
        const Box box{x - glyph->leftOffset, y, x - glyph->leftOffset + glyph->width,
                      y + glyph->height};
        // Only glyphs that reach the clip are drawn, so their positions fit an int.
        if (!Intersect(box, clip).empty())
            blendGlyph(*target, *glyph, static_cast<int>(x), static_cast<int>(y), clipRect);
        bottom = std::max(bottom, y + glyph->height);
        x += glyph->advance;
    }
    blendAlpha_ = savedAlpha;
    return ClampToInt(bottom - startY);
}

bool RAST_CachedFont::renderGlyph(RAST_IBitmap* target, int code, int x, int y,
                                  const RAST_Rect* clip) {
    const RAST_GlyphRecord* glyph = findGlyph(code);
    if (!target || !glyph || glyph->storePos <= 0) return false;
    const Box bounds = TargetBox(*target);
    const RAST_Rect full{0, 0, static_cast<int>(bounds.right), static_cast<int>(bounds.bottom)};
    return blendGlyph(*target, *glyph, x, y, clip ? *clip : full);
}

bool RAST_CachedFont::blendGlyph(RAST_IBitmap& target, const RAST_GlyphRecord& glyph, int x, int y,
                                 const RAST_Rect& clip) {
    const long long left = static_cast<long long>(x) - glyph.leftOffset;
    const Box visible =
        Intersect(Intersect({left, y, left + glyph.width, static_cast<long long>(y) + glyph.height},
                            {clip.left, clip.top, clip.right, clip.bottom}),
                  TargetBox(target));
    if (visible.empty()) return false;
    const int w = RAST_Alpha256(blendAlpha_);
    if (w <= 0) return false;
    const bool copy = (blendMode_ & RAST_BLEND_MASK) == RAST_MODE_COPY;
    const RAST_Combiner combine = copy ? RAST_CombineCopy : RAST_GetCombiner(blendMode_);
    if (!combine) return false;

    const int x0 = static_cast<int>(visible.left), x1 = static_cast<int>(visible.right);
    const int y0 = static_cast<int>(visible.top), y1 = static_cast<int>(visible.bottom);
    if (backgroundMode_ == RAST_BK_OPAQUE) {
        const RAST_Combiner fill = RAST_GetCombiner(blendMode_ & ~RAST_FLAG_SRCALPHA);
        const int bw = std::min(w, 256);
        if (fill) {
            using namespace rast_detail;
            for (int row = y0; row < y1; ++row) {
                Pixel* d = Row(target, row);
                for (int col = x0; col < x1; ++col)
                    fill(d[col], R(background_), G(background_), B(background_), A(background_),
                         bw);
            }
        }
    }

    using namespace rast_detail;
    const int r = R(foreground_), g = G(foreground_), b = B(foreground_), a = A(foreground_);
    const std::uint8_t* mask = glyphMask(glyph);
    for (int row = y0; row < y1; ++row) {
        const std::uint8_t* coverage =
            mask + static_cast<std::size_t>(row - y) * glyph.width + (x0 - left);
        Pixel* d = Row(target, row) + x0;
        for (int col = x0; col < x1; ++col, ++d, ++coverage) {
            const int c = *coverage;
            if (!c) continue;
            // Full opacity keeps (255 - c)/256 of the destination; otherwise
            // the coverage scales the weight, capped at opaque.
            const int weight = w == 256 ? c + 1 : std::min(256, w * c / 256);
            combine(*d, r, g, b, a, weight);
        }
    }
    return true;
}
