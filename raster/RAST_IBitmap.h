// Abstract 32-bit bitmap that every raster operation draws into or reads from.
#pragma once

#include <cstdint>

#include "RAST_Types.h"

class RAST_IBitmap {
public:
    virtual ~RAST_IBitmap() = default;

    // First pixel of row 0 (null without pixel memory). A bitmap object is a
    // handle to its pixels: constness guards its size, not the pixel contents.
    virtual Pixel* pixelData() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Pixels (not bytes) between the starts of consecutive rows.
    virtual int rowStride() const = 0;
    // True when the last row is stored first.
    virtual bool bottomUp() const { return false; }
    // Returns true if the dimensions changed; contents are undefined afterwards.
    virtual bool resize(int w, int h) = 0;
    // GDI device context (HDC) on Windows where one exists, otherwise null.
    virtual void* deviceContext() const { return nullptr; }
    virtual std::intptr_t extension(int code, void* data) {
        (void)code;
        (void)data;
        return 0;
    }
};
