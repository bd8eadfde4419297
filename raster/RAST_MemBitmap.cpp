#include "RAST_MemBitmap.h"

#include <cstdint>

namespace {
// Spare bytes so that the pixels can start on a 64-byte boundary.
constexpr int kAlignSlack = 63;
} // namespace

RAST_MemBitmap::RAST_MemBitmap(int w, int h, int alignment) {
    if (alignment >= 2) {
        const int lowest = alignment & -alignment;
        alignMask_ = lowest - 1 > 16 ? 16 : lowest - 1;
    }
    if (w > 0 && h > 0) resize(w, h);
}

RAST_MemBitmap::~RAST_MemBitmap() = default;

Pixel* RAST_MemBitmap::pixelData() const {
    const auto raw = reinterpret_cast<std::uintptr_t>(block_.get());
    return reinterpret_cast<Pixel*>((raw + kAlignSlack) & ~std::uintptr_t(kAlignSlack));
}

bool RAST_MemBitmap::resize(int w, int h) {
    if (w == width_ && h == height_) return false;
    // Refuse absurd sizes before any arithmetic: stride x height x 4 must fit an int.
    if (w > RAST_MAX_DIMENSION || h > RAST_MAX_DIMENSION) return false;
    width_ = w;
    height_ = h;
    const int needed = (w > 0 && h > 0) ? h * strideFor(w) * 4 : 0;
    if (needed > 0) {
        if (!block_) {
            block_.reset(
                static_cast<unsigned char*>(std::malloc(std::size_t(needed) + kAlignSlack)));
            capacity_ = block_ ? needed : 0;
        } else if (capacity_ < needed) {
            // Grow by a quarter more than asked so small enlargements do not reallocate.
            const int grown = needed / 4 * 5;
            void* moved = std::realloc(block_.get(), std::size_t(grown) + kAlignSlack);
            if (moved) {
                (void)block_.release();
                block_.reset(static_cast<unsigned char*>(moved));
                capacity_ = grown;
            } else {
                block_.reset(
                    static_cast<unsigned char*>(std::malloc(std::size_t(needed) + kAlignSlack)));
                capacity_ = block_ ? needed : 0;
            }
        }
    } else {
        block_.reset();
        capacity_ = 0;
    }
    if (!block_) width_ = height_ = 0;
    return true;
}
