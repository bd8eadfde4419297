// Decoding of a PNG the size of the editor's background (368 x 370, RGBA).
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

#include "../tests/raster/PngTestSupport.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"

namespace {

constexpr int kWidth = 368, kHeight = 370;

// Smooth shading with a little texture and an alpha ring, compressing roughly
// as a drawn background does (neither flat nor noise).
const std::vector<unsigned char>& BackgroundPng() {
    static const std::vector<unsigned char> png = [] {
        PngDescription desc;
        desc.width = kWidth;
        desc.height = kHeight;
        desc.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        unsigned seed = 12345;
        for (int y = 0; y < kHeight; ++y) {
            std::vector<unsigned char> row;
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int grain = int(seed >> 30); // 0..3
                const double r = std::hypot(x - kWidth / 2.0, y - kHeight / 2.0);
                const int shade = int(200 - r / 2) + grain;
                const int alpha = r < 150 ? 255 : r < 170 ? int(255 * (170 - r) / 20) : 0;
                row.insert(row.end(), {(unsigned char)(shade / 2), (unsigned char)(shade * 3 / 4),
                                       (unsigned char)shade, (unsigned char)alpha});
            }
            desc.rows.push_back(row);
        }
        return EncodePng(desc);
    }();
    return png;
}

void SetCounters(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["png_bytes"] = double(BackgroundPng().size());
}

// As the editor loads an image: a new bitmap per decode.
void DecodeIntoNewBitmap(benchmark::State& state) {
    const auto& png = BackgroundPng();
    for (auto _ : state) {
        std::unique_ptr<RAST_IBitmap> bitmap(RAST_DecodePNGMemory(png.data(), png.size()));
        if (!bitmap) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap->pixelData());
    }
    SetCounters(state);
}
BENCHMARK(DecodeIntoNewBitmap)->Unit(benchmark::kMicrosecond);

// Into a reused target: the decode alone, without the allocation.
void DecodeIntoTarget(benchmark::State& state) {
    const auto& png = BackgroundPng();
    RAST_MemBitmap target(kWidth, kHeight, 4);
    for (auto _ : state) {
        if (!RAST_DecodePNGMemory(png.data(), png.size(), &target))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(target.pixelData());
    }
    SetCounters(state);
}
BENCHMARK(DecodeIntoTarget)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
