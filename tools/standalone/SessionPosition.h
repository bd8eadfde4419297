#pragma once

#include <cstdint>
#include <vector>

#include "ParameterChangeQueue.h"

namespace tonewell::render {
class ParameterCatalog;
class SessionTimeline;
} // namespace tonewell::render

namespace tonewell::standalone {

// Where a session stands at a frame: every parameter's value there, from the
// timeline's points before it (a slide under way gives its point on the
// line), so that playing can start in the middle of a session.
class SessionPosition {
public:
    // The values at `frame` (frames at `sampleRate`) as normalised changes,
    // one per parameter of the catalog.
    static std::vector<ParameterChangeQueue::Change>
    ValuesAt(const render::SessionTimeline& timeline, const render::ParameterCatalog& parameters,
             std::int64_t frame, int sampleRate);
};

} // namespace tonewell::standalone
