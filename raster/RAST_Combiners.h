// Per-pixel blend arithmetic shared by blits, fills, lines, arcs and glyphs.
// Each combiner blends source channels (r, g, b, a, 0..255) into the pixel d
// with weight w out of 256 (callers bound w with RAST_Alpha256).
#pragma once

#include <algorithm>

#include "RAST_Types.h"

namespace rast_detail {
inline int B(Pixel p) {
    return p & 0xFF;
}
inline int G(Pixel p) {
    return (p >> 8) & 0xFF;
}
inline int R(Pixel p) {
    return (p >> 16) & 0xFF;
}
inline int A(Pixel p) {
    return p >> 24;
}
inline Pixel Pack(int a, int r, int g, int b) {
    return (Pixel(a & 0xFF) << 24) | (Pixel(r & 0xFF) << 16) | (Pixel(g & 0xFF) << 8) |
           Pixel(b & 0xFF);
}
inline int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
// s + (d - s) x keep / 256, with C's truncating division.
inline int Mix(int d, int s, int keep) {
    return s + (d - s) * keep / 256;
}
inline int Dodge(int d, int k) {
    const int v = k > 254 ? d * 256 : d * 256 / (256 - k);
    return v < 255 ? v : 255;
}
} // namespace rast_detail

// RAST_MODE_COPY: w == 256 copies exactly, otherwise keeps (256 - w)/256 of d.
inline void RAST_CombineCopy(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    if (w == 256) {
        d = Pack(a, r, g, b);
        return;
    }
    const int keep = 256 - w;
    d = Pack(Mix(A(d), a, keep), Mix(R(d), r, keep), Mix(G(d), g, keep), Mix(B(d), b, keep));
}

// RAST_MODE_COPY + RAST_FLAG_SRCALPHA.
inline void RAST_CombineCopySrcAlpha(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    if (a == 0) return;
    if (w == 256) {
        if (a == 255) {
            d = Pack(255, r, g, b);
            return;
        }
        const int keep = 255 - a;
        d = Pack(std::min(255, A(d) + a), Mix(R(d), r, keep), Mix(G(d), g, keep),
                 Mix(B(d), b, keep));
        return;
    }
    const int e = w * (a + 1) / 256;
    const int keep = 256 - e;
    d = Pack(std::min(255, A(d) + e), Mix(R(d), r, keep), Mix(G(d), g, keep), Mix(B(d), b, keep));
}

// RAST_MODE_ADD: saturating add of the weighted source.
inline void RAST_CombineAdd(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    d = Pack(Clamp255(A(d) + a * w / 256), Clamp255(R(d) + r * w / 256),
             Clamp255(G(d) + g * w / 256), Clamp255(B(d) + b * w / 256));
}

// RAST_MODE_ADD + RAST_FLAG_SRCALPHA.
inline void RAST_CombineAddSrcAlpha(Pixel& d, int r, int g, int b, int a, int w) {
    if (a == 0) return;
    RAST_CombineAdd(d, r, g, b, a, w * (a + 1) / 256);
}

// RAST_MODE_DODGE: brightens d by 256 / (256 - weighted source).
inline void RAST_CombineDodge(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    d = Pack(Dodge(A(d), a * w / 256), Dodge(R(d), r * w / 256), Dodge(G(d), g * w / 256),
             Dodge(B(d), b * w / 256));
}

// RAST_MODE_DODGE + RAST_FLAG_SRCALPHA (a source alpha of 0 still applies weight 0).
inline void RAST_CombineDodgeSrcAlpha(Pixel& d, int r, int g, int b, int a, int w) {
    RAST_CombineDodge(d, r, g, b, a, w * (a + 1) / 256);
}

// RAST_MODE_MULTIPLY: d x (s x w + 256 x (256 - w)) / 65536.
inline void RAST_CombineMultiply(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    const int base = (256 - w) * 256;
    auto mul = [&](int dc, int sc) { return ((sc * w + base) * dc) >> 16; };
    d = Pack(mul(A(d), a), mul(R(d), r), mul(G(d), g), mul(B(d), b));
}

// RAST_MODE_OVERLAY: the overlay blend (2ds or screen by the destination), mixed in by w.
inline void RAST_CombineOverlay(Pixel& d, int r, int g, int b, int a, int w) {
    using namespace rast_detail;
    auto overlay = [](int dc, int sc) {
        return dc < 128 ? 2 * dc * sc / 255 : 255 - 2 * (255 - dc) * (255 - sc) / 255;
    };
    const Pixel o = Pack(overlay(A(d), a), overlay(R(d), r), overlay(G(d), g), overlay(B(d), b));
    RAST_CombineCopy(d, R(o), G(o), B(o), A(o), w);
}

// RAST_MODE_HSVADJ: not used by the editor; treated as a weighted copy of the
// colour channels that keeps the destination alpha.
inline void RAST_CombineHsvAdjust(Pixel& d, int r, int g, int b, int a, int w) {
    (void)a;
    const int alpha = int(d >> 24);
    RAST_CombineCopy(d, r, g, b, alpha, w);
}

using RAST_Combiner = void (*)(Pixel& d, int r, int g, int b, int a, int w);

// The combiner for mode & RAST_BLEND_MASK, or null for a mode without one.
inline RAST_Combiner RAST_GetCombiner(int mode) {
    switch (mode & RAST_BLEND_MASK) {
    case RAST_MODE_COPY:
        return RAST_CombineCopy;
    case RAST_MODE_COPY | RAST_FLAG_SRCALPHA:
        return RAST_CombineCopySrcAlpha;
    case RAST_MODE_ADD:
        return RAST_CombineAdd;
    case RAST_MODE_ADD | RAST_FLAG_SRCALPHA:
        return RAST_CombineAddSrcAlpha;
    case RAST_MODE_DODGE:
        return RAST_CombineDodge;
    case RAST_MODE_DODGE | RAST_FLAG_SRCALPHA:
        return RAST_CombineDodgeSrcAlpha;
    case RAST_MODE_MULTIPLY:
    case RAST_MODE_MULTIPLY | RAST_FLAG_SRCALPHA:
        return RAST_CombineMultiply;
    case RAST_MODE_OVERLAY:
    case RAST_MODE_OVERLAY | RAST_FLAG_SRCALPHA:
        return RAST_CombineOverlay;
    case RAST_MODE_HSVADJ:
    case RAST_MODE_HSVADJ | RAST_FLAG_SRCALPHA:
        return RAST_CombineHsvAdjust;
    default:
        return nullptr;
    }
}
