#pragma once

#include <cstdint>
#include <pluginterfaces/vst/vsttypes.h>
#include <vector>

namespace tonewell::hostkit {
class ParameterChangeList;
}

namespace tonewell::render {

class ParameterCatalog;
class ProgramCatalog;
class SessionTimeline;

// A session's program changes and parameter points at sample frames, handed
// to the plug-in's parameter queues block by block as a DAW's automation is.
// The plug-in applies one value per parameter per block, so blocks end at
// every point's frame (NextFrame) and a slide sends one point per block.
class SessionAutomation {
public:
    // An empty automation: no points.
    SessionAutomation() = default;
    SessionAutomation(const SessionTimeline& timeline, const ParameterCatalog& parameters,
                      const ProgramCatalog& programs, int sampleRate);

    // True when the session loads a program on its first frame.
    bool ProgramAtStart() const { return !programs_.empty() && programs_.front().frame == 0; }
    // Frame of the next point after `frame`; -1 when there is none.
    std::int64_t NextFrame(std::int64_t frame) const;

    // Back to the first frame, to play the session again.
    void Rewind();
    // Passes over the points before `frame` without sending them, to start
    // playing there; the values they set must be sent by the caller.
    void SkipTo(std::int64_t frame);

    // Adds the changes for the block [blockStart, blockStart + frames): the
    // program change first, so that a value set at the same time wins over
    // the program's. Blocks must come in order and must not straddle a point.
    // Throws RenderError when the list cannot take them.
    void Fill(std::int64_t blockStart, int frames, hostkit::ParameterChangeList& changes);

private:
    struct Point {
        std::int64_t frame;
        double normalized; // jumps: the value; ramps: unused
        double plain;
        bool ramp;
        bool sent;
    };
    struct Lane {
        Steinberg::Vst::ParamID id;
        const ParameterCatalog* catalog;
        std::size_t index;
        std::vector<Point> points;
        std::size_t next = 0;
    };
    struct Program {
        std::int64_t frame;
        double normalized;
    };
    std::vector<Lane> lanes_;
    std::vector<Program> programs_;
    std::size_t nextProgram_ = 0;
    Steinberg::Vst::ParamID programChangeId_ = 0;
};

} // namespace tonewell::render
