// Bitmap the editor window can present: on Windows a DIB section selected into
// a memory device context; elsewhere plain memory with the same size rules.
// A newly allocated pixel store is transparent black.
#pragma once

#include <memory>

#include "RAST_IBitmap.h"

class RAST_SysBitmap : public RAST_IBitmap {
public:
    RAST_SysBitmap(int w = 0, int h = 0);
    ~RAST_SysBitmap() override;
    RAST_SysBitmap(const RAST_SysBitmap&) = delete;
    RAST_SysBitmap& operator=(const RAST_SysBitmap&) = delete;

    Pixel* pixelData() const override { return pixels_; }
    int width() const override { return width_; }
    int height() const override { return height_; }
    // The allocated width: at least width(), a multiple of 4.
    int rowStride() const override { return allocWidth_; }
    bool resize(int w, int h) override;
    void* deviceContext() const override;
    std::intptr_t extension(int code, void* data) override;

private:
    // The platform's pixel store (DIB section and DC, or heap memory).
    class Surface;

    std::unique_ptr<Surface> surface_;
    int width_ = 0, height_ = 0;
    Pixel* pixels_ = nullptr;
    int allocWidth_ = 0, allocHeight_ = 0;
    int scale_ = 0, hintScale_ = 0;
};
