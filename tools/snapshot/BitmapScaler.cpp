#include "BitmapScaler.h"

#include <string>

#include "RAST_Blit.h"
#include "SnapshotError.h"

namespace tonewell::snapshot {

std::unique_ptr<RAST_MemBitmap> BitmapScaler::Enlarge(const RAST_IBitmap& source, int factor) {
    if (factor < 1 || factor > kMaxFactor)
        throw SnapshotError("scale must be 1 to " + std::to_string(kMaxFactor) + ", not " +
                            std::to_string(factor));
    const int w = source.width(), h = source.height();
    if (!source.pixelData() || w <= 0 || h <= 0) throw SnapshotError("nothing to scale");
    auto target = std::make_unique<RAST_MemBitmap>(w * factor, h * factor);
    if (!target->pixelData()) throw SnapshotError("no memory for the scaled image");
    for (int y = 0; y < h * factor; ++y) {
        const Pixel* from = RAST_RowPointer(&source, y / factor);
        Pixel* to = RAST_RowPointer(target.get(), y);
        for (int x = 0; x < w * factor; ++x)
            to[x] = from[x / factor];
    }
    return target;
}

} // namespace tonewell::snapshot
