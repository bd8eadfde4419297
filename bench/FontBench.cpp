// Drawing a line of 20 cached characters through the glyph path, the way the
// editor draws a translucent label.
#include <algorithm>
#include <benchmark/benchmark.h>

#include "RAST_CachedFont.h"
#include "RAST_MemBitmap.h"

namespace {

void DrawCachedLine(benchmark::State& state) {
    RAST_CachedFont font;
    font.adoptGdiFont(RAST_CreateFontHandle("Arial", 16, false, false, 0, RAST_QUALITY_ANTIALIASED),
                      RAST_FONT_OWNS_HANDLE);
    font.setForeground(0xFFE0E0E0);
    font.setBlend(RAST_MODE_COPY, static_cast<float>(state.range(0)) / 256.0f);
    RAST_MemBitmap target(368, 40, 4);
    for (int y = 0; y < target.height(); ++y)
        std::fill_n(target.pixelData() + y * target.rowStride(), target.width(), 0xFF202020u);
    const char* text = "Beat 7.83 Hz (Theta)"; // 20 characters
    RAST_Rect rect{0, 0, 368, 40};
    font.renderText(&target, text, -1, &rect, RAST_DT_NOCLIP); // fills the cache
    for (auto _ : state) {
        RAST_Rect r{0, 0, 368, 40};
        benchmark::DoNotOptimize(
            font.renderText(&target, text, -1, &r, RAST_DT_NOCLIP | RAST_DT_CENTER));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(DrawCachedLine)->Arg(256)->Arg(128)->ArgName("alpha256");

} // namespace

BENCHMARK_MAIN();
