// Pixel format, mode word and small value types shared by every raster operation.
#pragma once

#include <cmath>
#include <cstdint>

// One 32-bit word per pixel: A<<24 | R<<16 | G<<8 | B, straight (not premultiplied)
// alpha; in little-endian memory the bytes are blue, green, red, alpha.
using Pixel = std::uint32_t;

// Mode word: low byte = blend mode, then filter selector and flags.
constexpr int RAST_MODE_COPY = 0;
constexpr int RAST_MODE_ADD = 1;
constexpr int RAST_MODE_DODGE = 2;
constexpr int RAST_MODE_MULTIPLY = 3;
constexpr int RAST_MODE_OVERLAY = 4;
constexpr int RAST_MODE_HSVADJ = 5;
// 0xF0..0xFF: copy one channel (blits only); source channel = mode & 3,
// destination channel = (mode >> 2) & 3.
constexpr int RAST_MODE_CHANCOPY = 0xF0;
constexpr int RAST_MODE_MASK = 0xFF;
constexpr int RAST_FLAG_FILTER = 0x100;     // bilinear filter in scaled and rotated copies
constexpr int RAST_FLAG_SRCALPHA = 0x10000; // weight by the source pixel's own alpha
constexpr int RAST_FLAG_NOSCALE = 0x20000;  // ignore display scale
constexpr int RAST_BLEND_MASK = 0x100FF;    // the bits that choose a combiner

// Extension codes of RAST_IBitmap::extension (display scaling hooks); data points to an int.
constexpr int RAST_EXT_SET_SCALE = 0x2000;
constexpr int RAST_EXT_GET_SCALE = 0x2001;
constexpr int RAST_EXT_SET_HINT_SCALE = 0x2002;
constexpr int RAST_EXT_GET_HINT_SCALE = 0x2003;
constexpr int RAST_EXT_GET_EFFECTIVE_SCALE = 0x2004;

// Rectangle with exclusive right and bottom.
struct RAST_Rect {
    int left, top, right, bottom;
};

constexpr Pixel RAST_MakePixel(int a, int r, int g, int b) {
    return (Pixel(a & 0xFF) << 24) | (Pixel(r & 0xFF) << 16) | (Pixel(g & 0xFF) << 8) |
           Pixel(b & 0xFF);
}

// Largest width or height any bitmap accepts; beyond it resize refuses.
constexpr int RAST_MAX_DIMENSION = 16384;

// Opacity as an integer weight out of 256, truncated toward zero. Non-finite
// opacities weigh 0; the weight is bounded to +-16 x opaque so that the blend
// arithmetic can never overflow an int (weights beyond opaque only extrapolate).
inline int RAST_Alpha256(float alpha) {
    if (!std::isfinite(alpha)) return 0;
    const float scaled = alpha * 256.0f;
    if (scaled >= 4096.0f) return 4096;
    if (scaled <= -4096.0f) return -4096;
    return static_cast<int>(scaled);
}
