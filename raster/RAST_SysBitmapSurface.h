// The platform part of RAST_SysBitmap: owns the pixel store (and on Windows the
// memory device context with the DIB section selected into it).
#pragma once

#include "RAST_SysBitmap.h"

class RAST_SysBitmap::Surface {
public:
    Surface();
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // False when the platform could not provide a drawing context.
    bool usable() const;
    void* deviceContext() const;
    // A fresh top-down store of stride x rows pixels, or null; replaces nothing:
    // call release first.
    Pixel* create(int stride, int rows);
    void release();

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
};
