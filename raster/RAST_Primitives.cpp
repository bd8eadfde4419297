#include "RAST_Primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "RAST_Blit.h"
#include "RAST_Combiners.h"

namespace {

using std::int64_t;
using namespace rast_detail;

constexpr float kTwoPiF = 6.2831855f;
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kHalfPi = 1.5707963705062866;
// Centres beyond this and radii beyond kMaxRadius draw nothing: the integer
// pixel arithmetic stays far from overflow and the circle walk stays short.
constexpr float kMaxCentre = 16777216.0f;
constexpr float kMaxRadius = 1048576.0f;

bool HasPixels(const RAST_IBitmap* dest) {
    return dest && dest->pixelData() && dest->rowStride() != 0 && dest->width() > 0 &&
           dest->height() > 0;
}

// Writes one pixel through a combiner with the colour's channels, if inside clip.
struct Plotter {
    RAST_IBitmap* dest;
    RAST_Combiner combine;
    Pixel colour;
    RAST_Rect clip;

    void operator()(int x, int y, int w) const {
        if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
        combine(RAST_RowPointer(dest, y)[x], R(colour), G(colour), B(colour), A(colour), w);
    }
    // Both ends included; spans running backwards draw nothing.
    void Row(int y, int xa, int xb, int w) const {
        if (y < clip.top || y >= clip.bottom) return;
        xa = std::max(xa, clip.left);
        xb = std::min(xb, clip.right - 1);
        for (int x = xa; x <= xb; ++x)
            (*this)(x, y, w);
    }
    void Column(int x, int ya, int yb, int w) const {
        if (x < clip.left || x >= clip.right) return;
        ya = std::max(ya, clip.top);
        yb = std::min(yb, clip.bottom - 1);
        for (int y = ya; y <= yb; ++y)
            (*this)(x, y, w);
    }
};

// Row (horizontal) or column `fixed` from `from` to `to`, both included; in copy
// mode the exact shortcuts come first.
void AxisRun(RAST_IBitmap* dest, bool horizontal, int fixed, int from, int to, Pixel colour,
             float alpha, int mode) {
    auto pixel = [&](int i) -> Pixel& {
        return horizontal ? RAST_RowPointer(dest, fixed)[i] : RAST_RowPointer(dest, i)[fixed];
    };
    auto each = [&](auto f) {
        for (int i = from; i <= to; ++i)
            f(pixel(i));
    };
    if ((mode & RAST_MODE_MASK) == RAST_MODE_COPY) {
        // The shortcuts test the float exactly, unlike the fills.
        if (alpha == 1.0f) return each([colour](Pixel& d) { d = colour; });
        if (alpha == 0.5f)
            return each(
                [colour](Pixel& d) { d = ((colour >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F); });
        if (alpha == 0.25f)
            return each([colour](Pixel& d) {
                d = ((d >> 1) & 0x7F7F7F7F) + ((d >> 2) & 0x3F3F3F3F) +
                    ((colour >> 2) & 0x3F3F3F3F);
            });
        if (alpha == 0.75f)
            return each([colour](Pixel& d) {
                d = ((colour >> 1) & 0x7F7F7F7F) + ((colour >> 2) & 0x3F3F3F3F) +
                    ((d >> 2) & 0x3F3F3F3F);
            });
        const int w = RAST_Alpha256(alpha);
        if (w <= 0) return;
        if (w == 256) return each([colour](Pixel& d) { d = colour; });
        if (w == 128)
            return each([colour](Pixel& d) {
                d = Pack((A(d) + A(colour)) >> 1, (R(d) + R(colour)) >> 1, (G(d) + G(colour)) >> 1,
                         (B(d) + B(colour)) >> 1);
            });
        return each([colour, w](Pixel& d) {
            RAST_CombineCopy(d, R(colour), G(colour), B(colour), A(colour), w);
        });
    }
    const RAST_Combiner combine = RAST_GetCombiner(mode & RAST_MODE_MASK);
    const int w = RAST_Alpha256(alpha);
    if (!combine || w == 0) return;
    each([&](Pixel& d) { combine(d, R(colour), G(colour), B(colour), A(colour), w); });
}

} // namespace

void RAST_FillRectangle(RAST_IBitmap* dest, int x, int y, int w, int h, Pixel colour, float alpha,
                        int mode) {
    if (!dest) return;
    if (mode & RAST_FLAG_SRCALPHA) alpha = alpha * (float(colour >> 24) * 0.003921569f);
    int64_t x0 = x, y0 = y, cols = w, rows = h;
    if (x0 < 0) {
        cols += x0;
        x0 = 0;
    }
    if (y0 < 0) {
        rows += y0;
        y0 = 0;
    }
    if (alpha == 0.0f || !dest->pixelData() || dest->rowStride() == 0 || cols <= 0 || rows <= 0 ||
        x0 >= dest->width() || y0 >= dest->height())
        return;
    rows = std::min<int64_t>(rows, dest->height() - y0);
    cols = std::min<int64_t>(cols, dest->width() - x0);

    auto each = [&](auto f) {
        for (int64_t j = 0; j < rows; ++j) {
            Pixel* d = RAST_RowPointer(dest, int(y0 + j)) + x0;
            for (int64_t i = 0; i < cols; ++i)
                f(d[i]);
        }
    };
    const int a256 = RAST_Alpha256(alpha);
    const int blend = mode & RAST_MODE_MASK;
    if (blend == RAST_MODE_COPY) {
        // Shortcuts on the truncated weight.
        const Pixel c = colour;
        switch (a256) {
        case 256:
            return each([c](Pixel& d) { d = c; });
        case 128:
            return each([c](Pixel& d) { d = ((d >> 1) & 0x7F7F7F7F) + ((c >> 1) & 0x7F7F7F7F); });
        case 64:
            return each([c](Pixel& d) {
                d = ((d >> 1) & 0x7F7F7F7F) + ((d >> 2) & 0x3F3F3F3F) + ((c >> 2) & 0x3F3F3F3F);
            });
        case 192:
            return each([c](Pixel& d) {
                d = ((d >> 2) & 0x3F3F3F3F) + ((c >> 1) & 0x7F7F7F7F) + ((c >> 2) & 0x3F3F3F3F);
            });
        default:
            break;
        }
        if (a256 < 1) return;
    }
    if (a256 == 0) return;
    const RAST_Combiner combine = RAST_GetCombiner(blend);
    if (!combine) return;
    each([&](Pixel& d) { combine(d, R(colour), G(colour), B(colour), A(colour), a256); });
}

void RAST_DrawLine(RAST_IBitmap* dest, int x1, int y1, int x2, int y2, Pixel colour, float alpha,
                   int mode, bool antialias) {
    if (!HasPixels(dest)) return;
    // Clipping runs in double so that no coordinate, however extreme, overflows;
    // every intermediate value is an integer as it would be in int arithmetic.
    const double W = dest->width(), H = dest->height();
    double ax = x1, ay = y1, bx = x2, by = y2;
    auto code = [W, H](double x, double y) {
        return (x < 0 ? 1 : 0) | (x >= W ? 2 : 0) | (y < 0 ? 4 : 0) | (y >= H ? 8 : 0);
    };
    for (int round = 0;; ++round) {
        const int c1 = code(ax, ay), c2 = code(bx, by);
        if ((c1 | c2) == 0) break;
        if ((c1 & c2) != 0 || round == 32) return;
        const int c = c1 ? c1 : c2;
        const double dx = bx - ax, dy = by - ay;
        double nx, ny;
        if (c & 8) {
            nx = ax + std::trunc((H - ay - 1) * dx / dy);
            ny = H - 1;
        } else if (c & 4) {
            nx = ax - std::trunc(dx * ay / dy);
            ny = 0;
        } else if (c & 2) {
            nx = W - 1;
            ny = ay + std::trunc((W - ax - 1) * dy / dx);
        } else {
            nx = 0;
            ny = ay - std::trunc(dy * ax / dx);
        }
        if (c1) {
            ax = nx;
            ay = ny;
        } else {
            bx = nx;
            by = ny;
        }
    }
    x1 = int(ax);
    y1 = int(ay);
    x2 = int(bx);
    y2 = int(by);

    if (y1 == y2)
        return AxisRun(dest, true, y1, std::min(x1, x2), std::max(x1, x2), colour, alpha, mode);
    if (x1 == x2)
        return AxisRun(dest, false, x1, std::min(y1, y2), std::max(y1, y2), colour, alpha, mode);

    const RAST_Combiner combine = RAST_GetCombiner(mode & RAST_MODE_MASK);
    const int a256 = RAST_Alpha256(alpha);
    if (!combine || a256 == 0) return;
    const Plotter plot{dest, combine, colour, {0, 0, dest->width(), dest->height()}};
    const int dx = x2 - x1, dy = y2 - y1;
    if (std::abs(dx) == std::abs(dy)) {
        const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
        for (int i = 0; i <= std::abs(dx); ++i)
            plot(x1 + i * sx, y1 + i * sy, a256);
        return;
    }
    // Step the major axis; carry the minor coordinate in 16.16 fixed point.
    const bool xMajor = std::abs(dx) > std::abs(dy);
    const int major = xMajor ? std::abs(dx) : std::abs(dy);
    const int minor = xMajor ? std::abs(dy) : std::abs(dx);
    const int majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const int64_t increment = int64_t(minor) * 65536 / major;
    int64_t frac = antialias ? 0 : 0x8000; // without antialias, round to the nearest pixel
    int m = xMajor ? y1 : x1;
    for (int i = 0; i <= major; ++i) {
        const int M = (xMajor ? x1 : y1) + i * majorStep;
        auto put = [&](int minorPos, int w) {
            if (xMajor)
                plot(M, minorPos, w);
            else
                plot(minorPos, M, w);
        };
        if (antialias) {
            const int q = int(frac >> 8);
            put(m, (255 - q) * a256 >> 8);
            if (q) put(m + minorStep, a256 * q >> 8);
        } else {
            put(m + (frac >= 0x10000 ? minorStep : 0), a256);
        }
        frac += increment;
        if (antialias ? frac >= 0x10000 : frac >= 0x18000) {
            m += minorStep;
            frac -= 0x10000;
        }
    }
}

void RAST_DrawLineF(RAST_IBitmap* dest, float x1, float y1, float x2, float y2, Pixel colour,
                    float alpha, int mode, bool antialias) {
    if (!dest) return;
    for (float f : {x1, y1, x2, y2})
        if (!std::isfinite(f)) return;
    if (!antialias) {
        // Coordinates beyond the int range are held at its edge before truncation.
        auto toInt = [](float v) { return int(std::clamp(v, -2147483520.0f, 2147483520.0f)); };
        RAST_DrawLine(dest, toInt(x1), toInt(y1), toInt(x2), toInt(y2), colour, alpha, mode, false);
        return;
    }
    if (!HasPixels(dest)) return;
    const float W = float(dest->width() - 1), H = float(dest->height() - 1);
    auto code = [W, H](float x, float y) {
        return (x < 0 ? 1 : 0) | (x >= W ? 2 : 0) | (y < 0 ? 4 : 0) | (y >= H ? 8 : 0);
    };
    // Moved ends land one pixel inside the last row or column, leaving room for
    // the second pixel of each anti-aliased step.
    for (int round = 0;; ++round) {
        const int c1 = code(x1, y1), c2 = code(x2, y2);
        if ((c1 | c2) == 0) break;
        if ((c1 & c2) != 0 || round == 32) return;
        const int c = c1 ? c1 : c2;
        float nx, ny;
        if (c & 8) {
            nx = (H - y1) * (x2 - x1) / (y2 - y1) + x1;
            ny = H - 1;
        } else if (c & 4) {
            nx = (x2 - x1) * y1 / (y1 - y2) + x1;
            ny = 0;
        } else if (c & 2) {
            nx = W - 1;
            ny = (y2 - y1) * (W - x1) / (x2 - x1) + y1;
        } else {
            nx = 0;
            ny = (y2 - y1) * x1 / (x1 - x2) + y1;
        }
        // Products of extreme coordinates may overflow the float range.
        if (!std::isfinite(nx) || !std::isfinite(ny)) return;
        if (c1) {
            x1 = nx;
            y1 = ny;
        } else {
            x2 = nx;
            y2 = ny;
        }
    }
    if (x1 == x2 && y1 == y2) return;

    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    float ma = xMajor ? x1 : y1, mb = xMajor ? x2 : y2;
    float na = xMajor ? y1 : x1, nb = xMajor ? y2 : x2;
    if (mb < ma) {
        std::swap(ma, mb);
        std::swap(na, nb);
    }
    const float slope = (nb - na) / (mb - ma);
    const int first = int(std::ceil(ma)), last = int(std::floor(mb));
    const float m0 = (std::ceil(ma) - ma) * slope + na;
    const float fl = std::floor(m0);
    int f = int((m0 - fl) * 65536.0f);
    int base = int(fl);
    int dir = 1;
    if (slope < 0) {
        f = 0xFFFF - f;
        base = int(fl) + 1;
        dir = -1;
    }
    const int increment = int(std::fabs(slope) * 65536.0f);

    const int a256 = RAST_Alpha256(alpha);
    const RAST_Combiner combine = RAST_GetCombiner(mode & RAST_MODE_MASK);
    if (a256 == 0 || !combine) return;
    const Plotter plot{dest, combine, colour, {0, 0, dest->width(), dest->height()}};
    for (int M = first; M <= last; ++M) {
        const int q = f >> 8;
        if (xMajor) {
            plot(M, base, (255 - q) * a256 >> 8);
            plot(M, base + dir, a256 * q >> 8);
        } else {
            plot(base, M, (255 - q) * a256 >> 8);
            plot(base + dir, M, a256 * q >> 8);
        }
        f += increment;
        if (f >= 0x10000) {
            base += dir;
            f -= 0x10000;
        }
    }
}

void RAST_RasterCircle(RAST_IBitmap* dest, float cx, float cy, float r, Pixel colour, int alpha256,
                       bool antialias, bool fill, int mode, const RAST_Rect* clip) {
    if (!HasPixels(dest) || alpha256 <= 0) return;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
    if (std::fabs(cx) > kMaxCentre || std::fabs(cy) > kMaxCentre || r < 0 || r > kMaxRadius) return;
    const RAST_Combiner combine = RAST_GetCombiner(mode & RAST_MODE_MASK);
    if (!combine) return;
    RAST_Rect box{0, 0, dest->width(), dest->height()};
    if (clip) {
        box.left = std::max(box.left, clip->left);
        box.top = std::max(box.top, clip->top);
        box.right = std::min(box.right, clip->right);
        box.bottom = std::min(box.bottom, clip->bottom);
    }
    if (box.left >= box.right || box.top >= box.bottom) return;
    const Plotter plot{dest, combine, colour, box};
    const int a = alpha256;

    const int ix = int(cx + 0.5), iy = int(cy + 0.5);
    if (!antialias) r = std::floor(r + 0.5f);
    const int ir = int(r);
    const double fr = double(r) - std::floor(double(r));
    const int wf = antialias ? int(fr * a) : 0;

    if (wf > 0) {
        plot(ix, iy - ir - 1, wf);
        plot(ix, iy + ir + 1, wf);
        plot(ix - ir - 1, iy, wf);
        plot(ix + ir + 1, iy, wf);
    }
    if (fill) {
        plot.Column(ix, iy - ir, iy - 1, a);
        plot.Column(ix, iy + 1, iy + ir, a);
        plot.Row(iy, ix - ir, ix + ir, a);
    } else {
        plot(ix, iy - ir, a - wf);
        plot(ix + ir, iy, a - wf);
        plot(ix, iy + ir, a - wf);
        plot(ix - ir, iy, a - wf);
    }

    const double r2 = double(r * r);
    int k = 1;
    if (r2 - 1.0 < 0) return;
    double K = std::sqrt(r2 - 1.0);
    int M = int(K + 0.5);
    if (M < 1) return;
    do {
        int j, w;
        if (antialias) {
            j = int(K);
            w = int((K - std::floor(K)) * a);
        } else {
            j = int(K + 0.5);
            w = 0;
        }
        const int w2 = a - w;
        if (w > 0) {
            plot(ix - k, iy - j - 1, w);
            plot(ix - k, iy + j + 1, w);
            plot(ix + k, iy - j - 1, w);
            plot(ix + k, iy + j + 1, w);
            if (k != M) {
                plot(ix - j - 1, iy - k, w);
                plot(ix + j + 1, iy - k, w);
                plot(ix - j - 1, iy + k, w);
                plot(ix + j + 1, iy + k, w);
            }
        }
        if (fill) {
            plot.Column(ix - k, iy - j, iy - k - 1, a);
            plot.Column(ix - k, iy + k + 1, iy + j, a);
            plot.Row(iy - k, ix - j, ix - k, a);
            plot.Row(iy - k, ix + k, ix + j, a);
            plot.Row(iy + k, ix - j, ix - k, a);
            plot.Row(iy + k, ix + k, ix + j, a);
            plot.Column(ix + k, iy - j, iy - k - 1, a);
            plot.Column(ix + k, iy + k + 1, iy + j, a);
        } else {
            plot(ix - j, iy - k, w2);
            plot(ix + j, iy - k, w2);
            plot(ix - k, iy + j, w2);
            plot(ix + k, iy + j, w2);
            if (k != M) {
                plot(ix - k, iy - j, w2);
                plot(ix + k, iy - j, w2);
                plot(ix - j, iy + k, w2);
                plot(ix + j, iy + k, w2);
            }
        }
        ++k;
        const double rest = r2 - double(k) * k;
        if (rest < 0) break; // past the circle: the walk would end here anyway
        K = std::sqrt(rest);
        M = int(K + 0.5);
    } while (k <= M);
}

namespace {

void Arc(RAST_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
         Pixel colour, float alpha, int mode, bool antialias, bool fill) {
    if (!HasPixels(dest)) return;
    for (float f : {cx, cy, r, minAngle, maxAngle, alpha})
        if (!std::isfinite(f)) return;
    if (std::fabs(cx) > kMaxCentre || std::fabs(cy) > kMaxCentre || r < 0 || r > kMaxRadius) return;
    const int blend = mode & RAST_MODE_MASK;
    if (maxAngle < minAngle) std::swap(minAngle, maxAngle);
    const int a256 = RAST_Alpha256(alpha);
    if (maxAngle - minAngle >= kTwoPiF) {
        RAST_RasterCircle(dest, cx, cy, r, colour, a256, antialias, fill, blend, nullptr);
        return;
    }
    if (maxAngle >= kTwoPiF) {
        const float u = std::fmod(maxAngle, kTwoPiF);
        minAngle -= maxAngle - u;
        maxAngle = u;
    } else if (minAngle <= -kTwoPiF) {
        const float u = std::fmod(minAngle, kTwoPiF);
        maxAngle -= minAngle - u;
        minAngle = u;
    }
    if (a256 == 0) return;

    // One clipped circle per quarter turn the arc touches; within a quarter the
    // arc's bounding box is spanned by its end points.
    const double a = double(minAngle) + kTwoPi, b = double(maxAngle) + kTwoPi;
    auto point = [&](double t, int& x, int& y) {
        x = int(cx + std::sin(t) * r + 0.5);
        y = int(cy - std::cos(t) * r + 0.5);
    };
    double g = a - std::fmod(a, kHalfPi);
    int x0, y0;
    point(a, x0, y0);
    for (int quarter = 0; g < b && quarter < 6; ++quarter) {
        g = std::min(g + kHalfPi, b);
        int x1, y1;
        point(g, x1, y1);
        const int xmin = std::min(x0, x1), ymin = std::min(y0, y1);
        int xmax = std::max(x0, x1), ymax = std::max(y0, y1);
        if (cx != float(xmax)) xmax += 1;
        if (cy != float(ymax)) ymax += 1;
        const RAST_Rect clip{std::max(xmin, 0), std::max(ymin, 0),
                             std::min(dest->width(), xmax + 1), std::min(dest->height(), ymax + 1)};
        RAST_RasterCircle(dest, cx, cy, r, colour, a256, antialias, fill, blend, &clip);
        x0 = x1;
        y0 = y1;
    }
}

} // namespace

void RAST_DrawArc(RAST_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                  Pixel colour, float alpha, int mode, bool antialias) {
    Arc(dest, cx, cy, r, minAngle, maxAngle, colour, alpha, mode, antialias, false);
}

void RAST_FillArc(RAST_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
                  Pixel colour, float alpha, int mode, bool antialias) {
    Arc(dest, cx, cy, r, minAngle, maxAngle, colour, alpha, mode, antialias, true);
}
