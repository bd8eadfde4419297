// Size rules and scaling hooks of RAST_SysBitmap; the pixel store itself is
// the platform's (RAST_SysBitmapWin.cpp, RAST_SysBitmapLinux.cpp).
#include "RAST_SysBitmap.h"

#include "RAST_SysBitmapSurface.h"

RAST_SysBitmap::RAST_SysBitmap(int w, int h) : surface_(std::make_unique<Surface>()) {
    if (w > 0 && h > 0) resize(w, h);
}

RAST_SysBitmap::~RAST_SysBitmap() = default;

void* RAST_SysBitmap::deviceContext() const {
    return surface_->deviceContext();
}

bool RAST_SysBitmap::resize(int w, int h) {
    if (!surface_->usable()) {
        width_ = height_ = 0;
        pixels_ = nullptr;
        return false;
    }
    if (w == width_ && h == height_) return false;
    if (w > RAST_MAX_DIMENSION || h > RAST_MAX_DIMENSION) return false;
    width_ = w;
    height_ = h;
    if (scale_ > 0) {
        w = w * scale_ >> 8;
        h = h * scale_ >> 8;
    }
    if (w > RAST_MAX_DIMENSION || h > RAST_MAX_DIMENSION) {
        // A scaled size beyond the limit fails like an allocation would.
        surface_->release();
        pixels_ = nullptr;
        allocWidth_ = allocHeight_ = 0;
        width_ = height_ = 0;
        return true;
    }
    const int stride = w > 0 ? (w + 3) & ~3 : 0;
    const int rows = h > 0 ? h : 0;
    // The store never shrinks: a large enough one is kept.
    if (stride != 0 && rows != 0 && allocWidth_ >= stride && allocHeight_ >= rows && pixels_) {
        return true;
    }
    allocWidth_ = stride;
    allocHeight_ = rows;
    surface_->release();
    pixels_ = nullptr;
    if (stride < 1 || rows < 1) return false;
    pixels_ = surface_->create(stride, rows);
    if (!pixels_) width_ = height_ = 0;
    return true;
}

std::intptr_t RAST_SysBitmap::extension(int code, void* data) {
    const int* value = static_cast<const int*>(data);
    auto scaleArgument = [value] {
        if (!value || *value == 256) return 0;
        return *value < 0 ? 0 : *value;
    };
    switch (code) {
    case RAST_EXT_SET_SCALE: {
        int v = scaleArgument();
        // Bound the scale so that the scaled size stays within the size limit.
        if (v > 256 * 16) v = 256 * 16;
        if (v != scale_) {
            scale_ = v;
            const int w = width_, h = height_;
            width_ = 0;
            resize(w, h);
        }
        return 1;
    }
    case RAST_EXT_GET_SCALE:
        return scale_;
    case RAST_EXT_SET_HINT_SCALE:
        hintScale_ = scaleArgument();
        return 1;
    case RAST_EXT_GET_HINT_SCALE:
        return hintScale_;
    case RAST_EXT_GET_EFFECTIVE_SCALE:
        if (scale_ > 0) return hintScale_ <= 0 ? scale_ : std::intptr_t(scale_) * hintScale_ >> 8;
        return hintScale_;
    default:
        return 0;
    }
}
