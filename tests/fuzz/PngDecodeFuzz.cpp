// libFuzzer target: arbitrary bytes through the PNG decoder, into a new
// bitmap and into a reused target. Built by scripts/fuzz-png.sh with clang.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"

namespace {

// Reads every pixel the decoder claims to have written, so that AddressSanitizer
// sees any row outside the allocation; the sum keeps the reads from being dropped.
Pixel Checksum(const RAST_IBitmap& bitmap) {
    Pixel sum = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const Pixel* row = bitmap.pixelData() + std::size_t(y) * bitmap.rowStride();
        for (int x = 0; x < bitmap.width(); ++x)
            sum += row[x];
    }
    return sum;
}

volatile Pixel sink;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<RAST_IBitmap> decoded(RAST_DecodePNGMemory(data, size));
    if (decoded) sink = Checksum(*decoded);

    static RAST_MemBitmap target(0, 0, 4);
    if (RAST_DecodePNGMemory(data, size, &target) == &target) sink = Checksum(target);
    return 0;
}
