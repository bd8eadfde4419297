// Encodes 32-bit bitmaps as 8-bit RGBA PNG images with libpng's write side.
#pragma once

#include <string>
#include <vector>

#include "RAST_IBitmap.h"

namespace tonewell::snapshot {

class PngWriter {
public:
    // The PNG image of the bitmap, alpha kept as it is (straight, not
    // premultiplied). Throws SnapshotError for a bitmap without pixels or of
    // zero width or height, and when libpng fails.
    static std::vector<unsigned char> Encode(const RAST_IBitmap& bitmap);
    // Encodes the bitmap and writes it to path, replacing any file there
    // once the image is complete (it is written to path + ".part" first).
    // Throws SnapshotError naming the path when it cannot be written; the
    // destination is then left as it was.
    static void WriteFile(const RAST_IBitmap& bitmap, const std::string& path);
};

} // namespace tonewell::snapshot
