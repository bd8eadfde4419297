#include "RAST_Resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "RAST_Blit.h"

namespace {

// The source pixels one target pixel draws on, with their weights (summing to 1).
struct Taps {
    std::vector<int> first, count;
    std::vector<int> index;
    std::vector<float> weight;
};

Taps MakeTaps(int sourceSize, int targetSize) {
    Taps taps;
    taps.first.resize(static_cast<size_t>(targetSize));
    taps.count.resize(static_cast<size_t>(targetSize));
    const double ratio = double(sourceSize) / targetSize;
    for (int i = 0; i < targetSize; ++i) {
        taps.first[size_t(i)] = static_cast<int>(taps.index.size());
        if (targetSize <= sourceSize) {
            // The target pixel covers [i, i + 1) x ratio of the source.
            const double start = i * ratio, end = (i + 1) * ratio;
            const int from = static_cast<int>(std::floor(start));
            const int to = std::min(sourceSize, static_cast<int>(std::ceil(end)));
            for (int s = from; s < to; ++s) {
                const double cover = std::min(end, s + 1.0) - std::max(start, double(s));
                if (cover <= 0.0) continue;
                taps.index.push_back(s);
                taps.weight.push_back(static_cast<float>(cover / ratio));
            }
        } else {
            // Centres aligned; the edges hold the outermost pixels.
            const double at = std::clamp((i + 0.5) * ratio - 0.5, 0.0, sourceSize - 1.0);
            const int s = static_cast<int>(at);
            const double t = at - s;
            taps.index.push_back(s);
            taps.weight.push_back(static_cast<float>(1.0 - t));
            if (t > 0.0 && s + 1 < sourceSize) {
                taps.index.push_back(s + 1);
                taps.weight.push_back(static_cast<float>(t));
            }
        }
        taps.count[size_t(i)] = static_cast<int>(taps.index.size()) - taps.first[size_t(i)];
    }
    return taps;
}

// Premultiplied channels: alpha, then red, green and blue times alpha.
struct Premul {
    float a = 0, r = 0, g = 0, b = 0;
};

Premul FromPixel(Pixel p) {
    const float a = float(p >> 24);
    return Premul{a, a * float((p >> 16) & 0xFF), a * float((p >> 8) & 0xFF), a * float(p & 0xFF)};
}

Pixel ToPixel(const Premul& c) {
    const int a = std::clamp(static_cast<int>(c.a + 0.5f), 0, 255);
    if (c.a <= 0.0f || a == 0) return 0;
    auto channel = [&](float v) { return std::clamp(static_cast<int>(v / c.a + 0.5f), 0, 255); };
    return RAST_MakePixel(a, channel(c.r), channel(c.g), channel(c.b));
}

} // namespace

bool RAST_Resample(const RAST_IBitmap* src, int sx, int sy, int sw, int sh, RAST_IBitmap* dst,
                   int dx, int dy, int dw, int dh) {
    if (!src || !dst || !src->pixelData() || !dst->pixelData()) return false;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return false;
    auto inside = [](const RAST_IBitmap* b, int x, int y, int w, int h) {
        return x >= 0 && y >= 0 && w <= b->width() - x && h <= b->height() - y;
    };
    if (!inside(src, sx, sy, sw, sh) || !inside(dst, dx, dy, dw, dh)) return false;

    const Taps across = MakeTaps(sw, dw), down = MakeTaps(sh, dh);
    // Rows filtered across first, kept premultiplied, then columns.
    std::vector<Premul> rows(static_cast<size_t>(sh) * size_t(dw));
    for (int y = 0; y < sh; ++y) {
        const Pixel* in = RAST_RowPointer(src, sy + y) + sx;
        Premul* out = &rows[size_t(y) * size_t(dw)];
        for (int x = 0; x < dw; ++x) {
            Premul sum;
            const int first = across.first[size_t(x)];
            for (int k = first; k < first + across.count[size_t(x)]; ++k) {
                const Premul c = FromPixel(in[across.index[size_t(k)]]);
                const float w = across.weight[size_t(k)];
                sum.a += c.a * w;
                sum.r += c.r * w;
                sum.g += c.g * w;
                sum.b += c.b * w;
            }
            out[x] = sum;
        }
    }
    for (int y = 0; y < dh; ++y) {
        Pixel* out = RAST_RowPointer(dst, dy + y) + dx;
        const int first = down.first[size_t(y)];
        for (int x = 0; x < dw; ++x) {
            Premul sum;
            for (int k = first; k < first + down.count[size_t(y)]; ++k) {
                const Premul& c = rows[size_t(down.index[size_t(k)]) * size_t(dw) + size_t(x)];
                const float w = down.weight[size_t(k)];
                sum.a += c.a * w;
                sum.r += c.r * w;
                sum.g += c.g * w;
                sum.b += c.b * w;
            }
            out[x] = ToPixel(sum);
        }
    }
    return true;
}
