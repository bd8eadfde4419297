#include "RAST_LazyBitmap.h"

#include <cstring>
#include <utility>

RAST_LazyBitmap::RAST_LazyBitmap(int w, int h, Fill fill, Recipe recipe)
    : width_(w > 0 && h > 0 ? w : 0), height_(w > 0 && h > 0 ? h : 0), fill_(std::move(fill)),
      recipe_(recipe), pixels_(0, 0, 4) {}

void RAST_LazyBitmap::Make() const {
    std::call_once(once_, [this] {
        pixels_.resize(width_, height_);
        bool filled = false;
        if (pixels_.pixelData() && pixels_.width() == width_ && pixels_.height() == height_) {
            try {
                filled = fill_ && fill_(pixels_);
            } catch (...) {
                // A fill that cannot finish is a failed fill.
                filled = false;
            }
        }
        if (!filled || pixels_.width() != width_ || pixels_.height() != height_) {
            pixels_.resize(width_, height_);
            if (Pixel* pixels = pixels_.pixelData())
                std::memset(pixels, 0,
                            sizeof(Pixel) * std::size_t(pixels_.rowStride()) * pixels_.height());
        }
        fill_ = nullptr;
        made_ = true;
    });
}

Pixel* RAST_LazyBitmap::pixelData() const {
    Make();
    return pixels_.pixelData();
}

int RAST_LazyBitmap::rowStride() const {
    Make();
    return pixels_.rowStride();
}

bool RAST_LazyBitmap::resize(int w, int h) {
    Make();
    const bool changed = pixels_.resize(w, h);
    // Resized pixels are no longer what the recipe makes.
    if (changed) recipe_ = Recipe{nullptr, 0, 0};
    width_ = pixels_.width();
    height_ = pixels_.height();
    return changed;
}

bool RAST_LazyBitmap::IsMade() const {
    return made_;
}

bool RAST_LazyBitmap::SameRecipe(const RAST_LazyBitmap& other) const {
    return recipe_.source != nullptr && recipe_.source == other.recipe_.source &&
           recipe_.x == other.recipe_.x && recipe_.y == other.recipe_.y && width_ == other.width_ &&
           height_ == other.height_;
}
