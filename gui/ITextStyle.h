// The look of a text: face, size, colour, weight and slant, alignment,
// rotation and smoothing. A plain 80-byte record that may be copied bytewise;
// the cached font it points to belongs to the font cache, never to the style.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "IArgb.h"

class RAST_CachedFont;

struct ITextStyle {
    enum StyleBits : int32_t { kBold = 1, kItalic = 2 };
    enum Align : int32_t { kLeft = 0, kCentre = 1, kRight = 2 };
    enum Quality : int32_t { kDefault = 0, kNonAntialiased = 1, kAntialiased = 2, kClearType = 3 };

    static constexpr size_t kFaceSize = 32;

    char face[kFaceSize] = "Arial";
    int32_t size = 12; // font height handed to the platform
    IArgb colour{255, 0, 0, 0};
    int32_t style = 0;
    int32_t align = kLeft;
    int32_t orientation = 0; // tenths of a degree are orientation x 10
    int32_t quality = kDefault;
    RAST_CachedFont* cachedFont = nullptr; // filled in on first use

    ITextStyle() = default;
    ITextStyle(const char* faceName, int32_t size, IArgb colour, int32_t style = 0,
               int32_t align = kLeft, int32_t orientation = 0, int32_t quality = kDefault)
        : size(size), colour(colour), style(style), align(align), orientation(orientation),
          quality(quality) {
        SetFace(faceName);
    }

    // Copies at most 31 characters; a null name leaves the face empty.
    void SetFace(const char* faceName) {
        std::memset(face, 0, sizeof face);
        if (!faceName) return;
        for (size_t i = 0; i + 1 < kFaceSize && faceName[i] != '\0'; ++i)
            face[i] = faceName[i];
    }
    bool Bold() const { return (style & kBold) != 0; }
    bool Italic() const { return (style & kItalic) != 0; }
};

static_assert(std::is_trivially_copyable_v<ITextStyle>, "styles are copied bytewise");
static_assert(sizeof(void*) != 8 || sizeof(ITextStyle) == 80, "a style is 80 bytes on 64-bit");
