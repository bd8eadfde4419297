// Small helpers shared by the raster tests.
#pragma once

#include <vector>

#include "RAST_IBitmap.h"

constexpr double kRasterTestPi = 3.14159265358979323846;

// Plain bitmap that can claim to store its rows bottom-up.
class TestBitmap : public RAST_IBitmap {
public:
    TestBitmap(int w, int h, Pixel fill = 0, bool bottomUp = false)
        : w_(w), h_(h), flipped_(bottomUp), pixels_(std::size_t(w) * h, fill) {}
    Pixel* pixelData() const override { return pixels_.empty() ? nullptr : pixels_.data(); }
    int width() const override { return w_; }
    int height() const override { return h_; }
    int rowStride() const override { return w_; }
    bool bottomUp() const override { return flipped_; }
    bool resize(int, int) override { return false; }

    // Logical pixel (row 0 at the top whatever the storage order).
    Pixel& at(int x, int y) const {
        return pixels_[std::size_t(flipped_ ? h_ - 1 - y : y) * w_ + x];
    }
    int changed(Pixel background) const {
        int n = 0;
        for (Pixel p : pixels_)
            n += p != background;
        return n;
    }
    // Bounding box of the pixels that differ from background: left, top, right, bottom
    // (inclusive); all -1 when none.
    std::vector<int> changedBox(Pixel background) const {
        std::vector<int> box{-1, -1, -1, -1};
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                if (at(x, y) == background) continue;
                if (box[0] < 0 || x < box[0]) box[0] = x;
                if (box[1] < 0 || y < box[1]) box[1] = y;
                if (x > box[2]) box[2] = x;
                if (y > box[3]) box[3] = y;
            }
        return box;
    }

private:
    int w_, h_;
    bool flipped_;
    mutable std::vector<Pixel> pixels_;
};
