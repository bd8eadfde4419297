#pragma once

#include <memory>

#include "RAST_IBitmap.h"
#include "RAST_MemBitmap.h"

namespace tonewell::snapshot {

// Nearest-neighbour enlargement by a whole factor: every pixel becomes a
// factor x factor block, so the editor's pixels stay sharp in the bundle's
// 2x snapshot image.
class BitmapScaler {
public:
    static constexpr int kMaxFactor = 4;

    // Throws SnapshotError for a factor outside 1..kMaxFactor or a bitmap
    // without pixels.
    static std::unique_ptr<RAST_MemBitmap> Enlarge(const RAST_IBitmap& source, int factor);
};

} // namespace tonewell::snapshot
