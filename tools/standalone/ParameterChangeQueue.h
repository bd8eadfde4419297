#pragma once

#include <pluginterfaces/vst/vsttypes.h>

#include "SpscRing.h"

namespace tonewell::standalone {

struct ParameterChange {
    Steinberg::Vst::ParamID id = 0;
    Steinberg::Vst::ParamValue normalized = 0.0;
};

// Parameter changes from the window's thread to the audio callback.
class ParameterChangeQueue : public SpscRing<ParameterChange> {
public:
    using Change = ParameterChange;
    explicit ParameterChangeQueue(std::size_t capacity = 256) : SpscRing(capacity) {}
};

} // namespace tonewell::standalone
