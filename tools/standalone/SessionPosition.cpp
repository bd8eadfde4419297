#include "SessionPosition.h"

#include <ParameterCatalog.h>
#include <SessionTimeline.h>
#include <cmath>

namespace tonewell::standalone {

std::vector<ParameterChangeQueue::Change>
SessionPosition::ValuesAt(const render::SessionTimeline& timeline,
                          const render::ParameterCatalog& parameters, std::int64_t frame,
                          int sampleRate) {
    const auto& list = parameters.Parameters();
    std::vector<ParameterChangeQueue::Change> values;
    for (std::size_t i = 0; i < list.size() && i < timeline.Keys().size(); ++i) {
        const auto& keys = timeline.Keys()[i];
        // Keys on or after the frame are the automation's to send, as it plays.
        std::size_t count = 0;
        while (count < keys.size() && std::llround(keys[count].seconds * sampleRate) < frame)
            ++count;
        if (count == 0) continue;
        double plain = keys[count - 1].plain;
        if (count < keys.size() && keys[count].ramp) {
            const double from = keys[count - 1].seconds, to = keys[count].seconds;
            const double t = (static_cast<double>(frame) / sampleRate - from) / (to - from);
            plain += (keys[count].plain - plain) * t;
        }
        values.push_back({list[i].id, parameters.PlainToNormalized(list[i], plain)});
    }
    return values;
}

} // namespace tonewell::standalone
