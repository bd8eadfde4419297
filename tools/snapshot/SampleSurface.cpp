#include "SampleSurface.h"

#include "SampleImages.h"

namespace tonewell::snapshot {

std::unique_ptr<RAST_IBitmap> SampleSurface::LoadImageResource(int id) {
    return SampleImages::Make(id);
}

} // namespace tonewell::snapshot
