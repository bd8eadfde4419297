// A headless editor surface whose images are drawn in code instead of being
// read from the module's resources.
#pragma once

#include "IGraphicsHeadless.h"

namespace tonewell::snapshot {

class SampleSurface : public IGraphicsHeadless {
public:
    using IGraphicsHeadless::IGraphicsHeadless;

    std::unique_ptr<RAST_IBitmap> LoadImageResource(int id) override;
};

} // namespace tonewell::snapshot
