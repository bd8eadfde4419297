// A bitmap whose pixels are made on first use. Its size is known from the
// start; the pixels come from a fill function the first time anyone asks for
// them, so an image that is laid out but never drawn costs only its size.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "RAST_MemBitmap.h"

class RAST_LazyBitmap : public RAST_IBitmap {
public:
    // Fills a bitmap already sized width x height; false on failure.
    using Fill = std::function<bool(RAST_MemBitmap& target)>;
    // Where the pixels come from: two lazy bitmaps of the same size and the
    // same recipe have the same pixels. A null source matches nothing.
    struct Recipe {
        const void* source;
        int x, y;
    };

    RAST_LazyBitmap(int w, int h, Fill fill, Recipe recipe = Recipe{nullptr, 0, 0});
    RAST_LazyBitmap(const RAST_LazyBitmap&) = delete;
    RAST_LazyBitmap& operator=(const RAST_LazyBitmap&) = delete;

    // Makes the pixels first. A fill that fails, or leaves another size,
    // leaves the bitmap fully transparent at its announced size instead.
    Pixel* pixelData() const override;
    int width() const override { return width_; }
    int height() const override { return height_; }
    int rowStride() const override;
    bool resize(int w, int h) override;

    // Whether the pixels have been made.
    bool IsMade() const;
    // Whether both are known to hold the same pixels without making them.
    bool SameRecipe(const RAST_LazyBitmap& other) const;

private:
    void Make() const;

    int width_, height_;
    // Dropped once used: its captures are not needed again.
    mutable Fill fill_;
    Recipe recipe_;
    mutable std::once_flag once_;
    mutable std::atomic<bool> made_{false};
    mutable RAST_MemBitmap pixels_;
};
