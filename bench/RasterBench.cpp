// Speed of the raster copies the editor makes every frame: a full 368 x 370
// RAST_BlitRect per blend mode, each timed in turn with a memcpy of the same
// bytes within the same iteration (this machine's speed drifts, so only the
// paired ratio is comparable), and one knob's anti-aliased arc band.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PairedRatioReporter.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "RAST_Primitives.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 368, kHeight = 370;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// An image with every alpha from transparent to opaque, like the editor's PNGs.
void FillPattern(RAST_MemBitmap& bitmap, unsigned seed) {
    for (int y = 0; y < bitmap.height(); ++y) {
        Pixel* row = bitmap.pixelData() + std::size_t(y) * bitmap.rowStride();
        for (int x = 0; x < bitmap.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = seed;
        }
    }
}

void BlitCase(benchmark::State& state, float alpha, int mode) {
    RAST_MemBitmap src(kWidth, kHeight, 4), dest(kWidth, kHeight, 4);
    FillPattern(src, 1);
    FillPattern(dest, 2);
    const std::size_t bytes = std::size_t(src.rowStride()) * kHeight * sizeof(Pixel);
    std::vector<unsigned char> copyFrom(bytes, 1), copyTo(bytes, 2);

    double blitSeconds = 0.0, copySeconds = 0.0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        RAST_BlitRect(&dest, &src, 0, 0, nullptr, alpha, mode);
        benchmark::DoNotOptimize(dest.pixelData());
        benchmark::ClobberMemory();
        const Clock::time_point blitDone = Clock::now();
        std::memcpy(copyTo.data(), copyFrom.data(), bytes);
        benchmark::DoNotOptimize(copyTo.data());
        benchmark::ClobberMemory();
        const Clock::time_point copyDone = Clock::now();

        const double blit = Seconds(blitDone - start);
        state.SetIterationTime(blit);
        blitSeconds += blit;
        copySeconds += Seconds(copyDone - blitDone);
    }
    const double n = double(state.iterations());
    state.counters["us_per_blit"] = blitSeconds * 1e6 / n;
    state.counters["memcpy_us"] = copySeconds * 1e6 / n;
    state.counters["x_memcpy"] = blitSeconds / copySeconds;
}

// A knob's value ring: concentric arcs 0.3 px apart over 300 degrees.
void ArcBand(benchmark::State& state) {
    RAST_MemBitmap dest(80, 80, 4);
    FillPattern(dest, 3);
    constexpr float kRadius = 33.0f, kThickness = 6.3f;
    constexpr float kHalfSpan = 150.0f * 3.14159265f / 180.0f;
    int arcs = 0;
    for (auto _ : state) {
        arcs = 0;
        for (float r = kRadius - kThickness; r <= kRadius + 1e-4f; r += 0.3f, ++arcs)
            RAST_DrawArc(&dest, 40.0f, 40.0f, r, -kHalfSpan, kHalfSpan, 0xFF40A0E0, 1.0f,
                         RAST_MODE_COPY, true);
        benchmark::DoNotOptimize(dest.pixelData());
        benchmark::ClobberMemory();
    }
    state.counters["arcs"] = arcs;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const struct {
        const char* name;
        float alpha;
        int mode;
    } cases[] = {
        {"Blit/Copy", 1.0f, RAST_MODE_COPY},
        {"Blit/CopySrcAlpha", 1.0f, RAST_MODE_COPY | RAST_FLAG_SRCALPHA},
        {"Blit/AddSrcAlpha", 1.0f, RAST_MODE_ADD | RAST_FLAG_SRCALPHA},
        {"Blit/DodgeSrcAlpha", 1.0f, RAST_MODE_DODGE | RAST_FLAG_SRCALPHA},
    };
    for (const auto& c : cases)
        benchmark::RegisterBenchmark(c.name, BlitCase, c.alpha, c.mode)
            ->Unit(benchmark::kMicrosecond)
            ->UseManualTime();
    benchmark::RegisterBenchmark("ArcBand/r33/t6.3/300deg", ArcBand)->Unit(benchmark::kMicrosecond);
    PairedRatioReporter reporter({"case (368 x 370 pixels)", "us_per_blit", "us/blit", "memcpy_us",
                                  "memcpy us", "x_memcpy", "x memcpy", 1});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
