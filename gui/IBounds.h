// A box of editor pixels: origin top left, y down, right and bottom exclusive
// for sizes (width = right - left) but inclusive for hit tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

struct IBounds {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    // The box of size w x h at (x, y); a far corner beyond the integer range
    // is held at its end.
    static IBounds FromSize(int32_t x, int32_t y, int32_t w, int32_t h) {
        return IBounds{x, y, Saturate(int64_t{x} + w), Saturate(int64_t{y} + h)};
    }

    // Sizes are computed wide and saturated, so boxes with extreme corners
    // (from a window or a layout gone wrong) never overflow.
    int32_t W() const { return Saturate(int64_t{right} - left); }
    int32_t H() const { return Saturate(int64_t{bottom} - top); }

    // Only the all-zero box counts as empty; a zero-width box elsewhere is not.
    bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }

    // Strict overlap of the two boxes' areas.
    bool Intersects(const IBounds& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }

    // The common part, or the empty box when there is none.
    IBounds Intersect(const IBounds& other) const {
        if (!Intersects(other)) return IBounds{};
        return IBounds{std::max(left, other.left), std::max(top, other.top),
                       std::min(right, other.right), std::min(bottom, other.bottom)};
    }

    // The smallest box holding both; the empty box adds nothing.
    IBounds Union(const IBounds& other) const {
        if (IsEmpty()) return other;
        if (other.IsEmpty()) return *this;
        return IBounds{std::min(left, other.left), std::min(top, other.top),
                       std::max(right, other.right), std::max(bottom, other.bottom)};
    }

    bool operator==(const IBounds& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const IBounds& other) const { return !(*this == other); }

private:
    static int32_t Saturate(int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
    }
};
