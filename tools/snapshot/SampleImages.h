// The sample editor's images, drawn in code with the raster primitives, so
// the sample needs no image files: the background, the knob strips (face and
// body side by side), the button pictures, the slider handle and the
// two-frame switch strip.
#pragma once

#include <memory>

#include "RAST_IBitmap.h"

namespace tonewell::snapshot {

class SampleImages {
public:
    // A new bitmap for one of the ids of SampleLayout.h; null for any other id.
    static std::unique_ptr<RAST_IBitmap> Make(int id);
};

} // namespace tonewell::snapshot
