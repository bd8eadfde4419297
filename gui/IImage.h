// An image strip as the controls see it: a bitmap owned by the image cache,
// its size and how many frames it holds. Whether the frames are stacked or
// side by side is told to each drawing call, not stored here.
#pragma once

#include <cstdint>

#include "RAST_IBitmap.h"

struct IImage {
    RAST_IBitmap* bitmap = nullptr; // not owned
    int32_t width = 0, height = 0;  // of the whole strip
    int32_t frames = 1;
    int32_t cacheId = 0; // 0 for resource images, negative for split pieces

    bool IsValid() const { return bitmap != nullptr && width > 0 && height > 0; }
    // The usable frame count: a strip never has fewer than one frame.
    int32_t FrameCount() const { return frames < 1 ? 1 : frames; }
};
