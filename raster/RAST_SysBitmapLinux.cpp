// Without GDI the system bitmap is plain memory and has no device context.
#include <cstdlib>

#include "RAST_SysBitmapSurface.h"

struct RAST_SysBitmap::Surface::Handles {
    struct FreeDeleter {
        void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<Pixel, FreeDeleter> pixels;
};

RAST_SysBitmap::Surface::Surface() : handles_(std::make_unique<Handles>()) {}
RAST_SysBitmap::Surface::~Surface() = default;

bool RAST_SysBitmap::Surface::usable() const {
    return true;
}
void* RAST_SysBitmap::Surface::deviceContext() const {
    return nullptr;
}

Pixel* RAST_SysBitmap::Surface::create(int stride, int rows) {
    // Zeroed: a large block comes straight from the system as zero pages,
    // which cost nothing until drawn on.
    handles_->pixels.reset(
        static_cast<Pixel*>(std::calloc(std::size_t(stride) * std::size_t(rows), sizeof(Pixel))));
    return handles_->pixels.get();
}

void RAST_SysBitmap::Surface::release() {
    handles_->pixels.reset();
}
