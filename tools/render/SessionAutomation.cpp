#include "SessionAutomation.h"

#include <ParameterChangeList.h>
#include <algorithm>
#include <cmath>

#include "ParameterCatalog.h"
#include "ProgramCatalog.h"
#include "RenderError.h"
#include "SessionTimeline.h"

namespace tonewell::render {

namespace {

std::int64_t ToFrame(double seconds, int sampleRate) {
    return std::llround(seconds * sampleRate);
}

void Add(hostkit::ParameterChangeList& changes, Steinberg::Vst::ParamID id, double value,
         int offset) {
    if (!changes.Add(id, value, offset))
        throw RenderError("too many parameter changes in one processing block");
}

} // namespace

SessionAutomation::SessionAutomation(const SessionTimeline& timeline,
                                     const ParameterCatalog& parameters,
                                     const ProgramCatalog& programs, int sampleRate) {
    if (parameters.ProgramChangeId()) programChangeId_ = *parameters.ProgramChangeId();
    for (const auto& change : timeline.Programs())
        programs_.push_back(
            {ToFrame(change.seconds, sampleRate), programs.NormalizedValue(change.index)});
    const auto& list = parameters.Parameters();
    for (std::size_t i = 0; i < list.size(); ++i) {
        Lane lane{list[i].id, &parameters, i, {}, 0};
        for (const auto& key : timeline.Keys()[i]) {
            lane.points.push_back({ToFrame(key.seconds, sampleRate),
                                   parameters.PlainToNormalized(list[i], key.plain), key.plain,
                                   key.ramp, key.sent});
        }
        if (lane.points.size() > 1) lanes_.push_back(std::move(lane));
    }
}

std::int64_t SessionAutomation::NextFrame(std::int64_t frame) const {
    std::int64_t next = -1;
    const auto consider = [&](std::int64_t candidate) {
        if (candidate > frame && (next < 0 || candidate < next)) next = candidate;
    };
    if (nextProgram_ < programs_.size()) consider(programs_[nextProgram_].frame);
    for (const auto& lane : lanes_) {
        for (std::size_t i = lane.next; i < lane.points.size(); ++i) {
            if (lane.points[i].frame > frame) {
                consider(lane.points[i].frame);
                break;
            }
        }
    }
    return next;
}

void SessionAutomation::Rewind() {
    nextProgram_ = 0;
    for (auto& lane : lanes_)
        lane.next = 0;
}

void SessionAutomation::SkipTo(std::int64_t frame) {
    while (nextProgram_ < programs_.size() && programs_[nextProgram_].frame < frame)
        ++nextProgram_;
    for (auto& lane : lanes_)
        while (lane.next < lane.points.size() && lane.points[lane.next].frame < frame)
            ++lane.next;
}

void SessionAutomation::Fill(std::int64_t blockStart, int frames,
                             hostkit::ParameterChangeList& changes) {
    const std::int64_t blockEnd = blockStart + frames;
    for (; nextProgram_ < programs_.size() && programs_[nextProgram_].frame < blockEnd;
         ++nextProgram_)
        Add(changes, programChangeId_, programs_[nextProgram_].normalized, 0);

    for (auto& lane : lanes_) {
        const Point* reached = nullptr;
        for (; lane.next < lane.points.size() && lane.points[lane.next].frame <= blockStart;
             ++lane.next)
            reached = &lane.points[lane.next];
        if (reached != nullptr && reached->sent) Add(changes, lane.id, reached->normalized, 0);
        if (lane.next == 0 || lane.next >= lane.points.size() || !lane.points[lane.next].ramp)
            continue;
        // Inside a slide: the point on the line at the block's end, so that
        // the plug-in's glide across the block follows the line itself.
        const Point& from = lane.points[lane.next - 1];
        const Point& to = lane.points[lane.next];
        const double t = std::min(1.0, static_cast<double>(blockEnd - from.frame) /
                                           static_cast<double>(to.frame - from.frame));
        const double plain = from.plain + (to.plain - from.plain) * t;
        const auto& parameter = lane.catalog->Parameters()[lane.index];
        Add(changes, lane.id, lane.catalog->PlainToNormalized(parameter, plain), frames - 1);
    }
}

} // namespace tonewell::render
