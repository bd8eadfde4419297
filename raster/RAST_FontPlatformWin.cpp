// Fonts on Windows: GDI fonts, glyphs rendered with DrawTextW, and the native
// path that draws text with DrawTextA/DrawTextW straight into a device context.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <algorithm>
#include <array>
#include <memory>
#include <windows.h>

#include "RAST_Combiners.h"
#include "RAST_FontPlatform.h"

static_assert(DT_CENTER == RAST_DT_CENTER && DT_RIGHT == RAST_DT_RIGHT &&
                  DT_VCENTER == RAST_DT_VCENTER && DT_BOTTOM == RAST_DT_BOTTOM &&
                  DT_WORDBREAK == RAST_DT_WORDBREAK && DT_SINGLELINE == RAST_DT_SINGLELINE &&
                  DT_NOCLIP == RAST_DT_NOCLIP && DT_CALCRECT == RAST_DT_CALCRECT,
              "format flags pass straight to DrawText");
static_assert(TRANSPARENT == RAST_BK_TRANSPARENT && OPAQUE == RAST_BK_OPAQUE, "GDI modes");

namespace {

constexpr UINT kAlignment = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;
// Our own high bits, and DT_MODIFYSTRING, which would write into the caller's text.
constexpr int kNotForGdi = RAST_TEXT_USE_FG_ALPHA | RAST_TEXT_INTERNAL | DT_MODIFYSTRING;

HFONT FontOf(RAST_FontHandle font) {
    return static_cast<HFONT>(font);
}

COLORREF ColourOf(Pixel p) {
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// Selects a font into a DC for the lifetime of the object.
class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), previous_(SelectObject(dc, font)) {}
    ~SelectedFont() { SelectObject(dc_, previous_); }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

Pixel* Row(const RAST_IBitmap& bitmap, int y) {
    const int row = bitmap.bottomUp() ? bitmap.height() - 1 - y : y;
    return bitmap.pixelData() + static_cast<std::ptrdiff_t>(row) * bitmap.rowStride();
}

// True if the bytes hold at least one valid multi-byte UTF-8 sequence.
bool HasMultiByteSequence(const unsigned char* s, int count) {
    for (int i = 0; i < count; ++i) {
        const int lead = s[i];
        const int tail = lead >= 0xC2 && lead <= 0xDF   ? 1
                         : lead >= 0xE0 && lead <= 0xEF ? 2
                         : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                        : 0;
        if (!tail || i + tail >= count) continue;
        bool valid = true;
        for (int k = 1; k <= tail; ++k)
            valid = valid && (s[i + k] & 0xC0) == 0x80;
        if (valid) return true;
    }
    return false;
}

// The text as DrawText gets it: UTF-16 when it holds UTF-8 that converts,
// otherwise the bytes as they are. Short texts convert on the stack.
class NativeString {
public:
    NativeString(const char* text, int count) : text_(text), count_(count) {
        if (!HasMultiByteSequence(reinterpret_cast<const unsigned char*>(text), count)) return;
        const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, nullptr, 0);
        if (n < 1) return;
        wchar_t* buffer = stack_.data();
        if (n >= 1000) {
            heap_ = std::make_unique<wchar_t[]>(static_cast<std::size_t>(n) + 32);
            buffer = heap_.get();
        }
        const int converted =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, buffer, n);
        if (converted < 1) {
            heap_.reset();
            return;
        }
        wide_ = buffer;
        wideCount_ = converted;
    }
    int Draw(HDC dc, RECT* rect, UINT format) const {
        return wide_ ? DrawTextW(dc, wide_, wideCount_, rect, format)
                     : DrawTextA(dc, text_, count_, rect, format);
    }

private:
    const char* text_;
    int count_;
    std::array<wchar_t, 1024> stack_;
    std::unique_ptr<wchar_t[]> heap_;
    const wchar_t* wide_ = nullptr;
    int wideCount_ = 0;
};

int DrawIntoContext(HDC dc, const RAST_FontPlatform::NativeText& request, const NativeString& text,
                    RECT* rect, UINT format) {
    SelectedFont selected(dc, FontOf(request.font));
    SetTextColor(dc, ColourOf(request.foreground));
    SetBkMode(dc, request.backgroundMode);
    if (request.backgroundMode == OPAQUE) SetBkColor(dc, ColourOf(request.background));
    const int height = text.Draw(dc, rect, format | DT_NOPREFIX);
    GdiFlush();
    return height;
}

bool Grow(RAST_SysBitmap& bitmap, int w, int h) {
    bitmap.resize(std::max(bitmap.width(), w), std::max(bitmap.height(), h));
    return bitmap.pixelData() && bitmap.deviceContext() && bitmap.width() >= w &&
           bitmap.height() >= h;
}

} // namespace

RAST_FontHandle RAST_CreateFontHandle(const char* face, int height, bool bold, bool italic,
                                      int orientation, int quality) {
    return CreateFontA(height, 0, orientation, orientation, bold ? FW_BOLD : FW_NORMAL,
                       italic ? TRUE : FALSE, FALSE, FALSE, 0, 0, 0, static_cast<DWORD>(quality), 0,
                       face ? face : "");
}

void RAST_DeleteFontHandle(RAST_FontHandle font) {
    if (font) DeleteObject(FontOf(font));
}

int RAST_FontPlatform::LineHeight(RAST_FontHandle font) {
    if (!font) return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 0;
    TEXTMETRICA metrics{};
    int height = 0;
    {
        SelectedFont selected(dc, FontOf(font));
        if (GetTextMetricsA(dc, &metrics)) height = metrics.tmHeight;
    }
    DeleteDC(dc);
    return height;
}

void RAST_FontPlatform::MeasureGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code,
                                     int& advance, int& height) {
    advance = height = 0;
    HDC dc = static_cast<HDC>(canvas.deviceContext());
    if (!dc || !font) return;
    SelectedFont selected(dc, FontOf(font));
    const wchar_t character = static_cast<wchar_t>(code);
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, &character, 1, &rect, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
    advance = rect.right - rect.left;
    height = rect.bottom - rect.top;
}

void RAST_FontPlatform::DrawGlyph(RAST_FontHandle font, RAST_SysBitmap& canvas, unsigned code,
                                  int left) {
    HDC dc = static_cast<HDC>(canvas.deviceContext());
    if (!dc || !font) return;
    SelectedFont selected(dc, FontOf(font));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    const wchar_t character = static_cast<wchar_t>(code);
    RECT rect{left, 0, canvas.width(), canvas.height()};
    DrawTextW(dc, &character, 1, &rect, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
    GdiFlush();
}

bool RAST_FontPlatform::HasNativeText() {
    return true;
}

bool RAST_FontPlatform::NativeTextAvailable() {
    // Wine's GDI draws differently; asked once per process.
    static const bool underWine = [] {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }();
    return !underWine;
}

int RAST_FontPlatform::DrawNative(const NativeText& request) {
    RAST_Rect& out = *request.rect;
    const UINT format = static_cast<UINT>(request.format & ~kNotForGdi);
    if (request.count <= 0 || !request.font) {
        if (format & DT_CALCRECT) {
            out.right = out.left;
            out.bottom = out.top;
        }
        return 0;
    }
    const NativeString text(request.text, request.count);
    RECT rect{out.left, out.top, out.right, out.bottom};
    auto publish = [&] {
        if (format & DT_CALCRECT) out = {rect.left, rect.top, rect.right, rect.bottom};
    };

    // Straight into the target's device context (or measuring only).
    HDC targetDc = request.target ? static_cast<HDC>(request.target->deviceContext()) : nullptr;
    if (targetDc || !request.target) {
        HDC dc = targetDc;
        if (!dc) {
            if (!Grow(*request.scratch, 1, 1)) return 0;
            dc = static_cast<HDC>(request.scratch->deviceContext());
        }
        const int height = DrawIntoContext(dc, request, text, &rect, format);
        publish();
        return height;
    }
    if (format & DT_CALCRECT) return 0; // measuring is done above with the scratch DC

    // A target without a device context: measure, draw over a copy of the
    // covered area on the scratch surface, and copy it back.
    RAST_SysBitmap& scratch = *request.scratch;
    if (!Grow(scratch, 1, 1)) return 0;
    HDC dc = static_cast<HDC>(scratch.deviceContext());
    RECT measured{0, 0, out.right - out.left, out.bottom - out.top};
    {
        SelectedFont selected(dc, FontOf(request.font));
        text.Draw(dc, &measured, (format & ~kAlignment) | DT_CALCRECT | DT_NOPREFIX);
    }
    const long long w = measured.right - measured.left, h = measured.bottom - measured.top;
    long long x = out.left, y = out.top;
    if (format & DT_RIGHT)
        x = out.right - w;
    else if (format & DT_CENTER)
        x = (static_cast<long long>(out.left) + out.right - w) / 2;
    if (format & DT_BOTTOM)
        y = out.bottom - h;
    else if (format & DT_VCENTER)
        y = (static_cast<long long>(out.top) + out.bottom - h) / 2;
    long long left = x, top = y, right = x + w, bottom = y + h;
    if (!(format & DT_NOCLIP)) {
        left = std::max<long long>(left, out.left);
        top = std::max<long long>(top, out.top);
        right = std::min<long long>(right, out.right);
        bottom = std::min<long long>(bottom, out.bottom);
    }
    RAST_IBitmap& target = *request.target;
    left = std::max(left, 0LL);
    top = std::max(top, 0LL);
    right = std::min<long long>(right, target.width());
    bottom = std::min<long long>(bottom, target.height());
    if (left >= right || top >= bottom || !target.pixelData()) return static_cast<int>(h);
    // Room for the overhang of the first character.
    const int lineHeight = LineHeight(request.font);
    left -= std::min<long long>(left, std::max(lineHeight / 16 + 2, 2));
    const int aw = static_cast<int>(right - left), ah = static_cast<int>(bottom - top);
    if (!Grow(scratch, aw, ah)) return 0;
    const int ax = static_cast<int>(left), ay = static_cast<int>(top);
    for (int row = 0; row < ah; ++row)
        std::copy_n(Row(target, ay + row) + ax, aw, Row(scratch, row));
    RECT local{static_cast<LONG>(x - left), static_cast<LONG>(y - top),
               static_cast<LONG>(x - left + w), static_cast<LONG>(y - top + h)};
    const int height =
        DrawIntoContext(dc, request, text, &local, (format & ~kAlignment) | DT_NOCLIP);
    const int weight = RAST_Alpha256(request.alpha);
    if (weight > 0) {
        using namespace rast_detail;
        for (int row = 0; row < ah; ++row) {
            const Pixel* s = Row(scratch, row);
            Pixel* d = Row(target, ay + row) + ax;
            for (int col = 0; col < aw; ++col)
                RAST_CombineCopy(d[col], R(s[col]), G(s[col]), B(s[col]), A(s[col]),
                                 std::min(weight, 256));
        }
    }
    return height;
}
