// Bitmap in plain heap memory with 64-byte aligned pixels.
#pragma once

#include <cstdlib>
#include <memory>

#include "RAST_IBitmap.h"

class RAST_MemBitmap : public RAST_IBitmap {
public:
    // alignment: rows are padded to a multiple of this many pixels (a power of
    // two; its lowest set bit counts, values below 2 mean no padding).
    explicit RAST_MemBitmap(int w = 0, int h = 0, int alignment = 4);
    ~RAST_MemBitmap() override;
    RAST_MemBitmap(const RAST_MemBitmap&) = delete;
    RAST_MemBitmap& operator=(const RAST_MemBitmap&) = delete;

    Pixel* pixelData() const override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    int rowStride() const override { return strideFor(width_); }
    bool resize(int w, int h) override;

    // Bytes the pixel block can hold without reallocating.
    int capacity() const { return capacity_; }

private:
    struct FreeDeleter {
        void operator()(void* p) const { std::free(p); }
    };
    int strideFor(int w) const { return (w + alignMask_) & ~alignMask_; }

    std::unique_ptr<unsigned char, FreeDeleter> block_;
    int width_ = 0, height_ = 0;
    int capacity_ = 0;
    int alignMask_ = 0;
};
