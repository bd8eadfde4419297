// A colour with opacity, each channel 0..255.
#pragma once

#include <algorithm>
#include <cstdint>

#include "RAST_Types.h"

struct IArgb {
    int32_t A = 255, R = 0, G = 0, B = 0;

    // The raster library's pixel word. Channels outside 0..255 are clamped
    // rather than masked, so a stray value cannot turn into another colour.
    Pixel Packed() const { return RAST_MakePixel(Channel(A), Channel(R), Channel(G), Channel(B)); }
    // Opacity for operations that take it as a float.
    float Opacity() const { return static_cast<float>(Channel(A)) * (1.0f / 255.0f); }

    bool operator==(const IArgb& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
    bool operator!=(const IArgb& o) const { return !(*this == o); }

private:
    static int Channel(int32_t v) { return std::clamp<int32_t>(v, 0, 255); }
};
