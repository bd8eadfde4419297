#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "NoiseSource.h"
#include "SbagenTimeline.h"
#include "ToneVoice.h"

namespace tonewell::session {

// Plays an SBaGen session, pulled block by block: binaural and isochronic
// tones through tone voices (the instrument), noise, spin, bells and the mix
// from the session's own sound library. Every level moves in a straight line
// sample by sample; frequencies and slides follow the timeline every block.
class SessionPlayer {
public:
    static constexpr int kBlock = 256;

    // `mix` may be null when the session uses no mix. Throws SessionError when
    // a carrier does not fit below half the sample rate.
    SessionPlayer(const SbagenTimeline& timeline, int sampleRate, VoiceFactory& voices,
                  MixSource* mix = nullptr);
    ~SessionPlayer();

    // Moves to `frame` without rendering what lies before it (bells before it
    // stay silent); voices keep their phases.
    void SkipTo(std::int64_t frame);

    // Writes the next `frames` frames of the session into left and right.
    void Render(double* left, double* right, int frames);

    std::int64_t Position() const { return position_; }
    double Seconds() const { return static_cast<double>(position_) / sampleRate_; }

private:
    struct Slot;
    void RenderPiece(double* left, double* right, int frames);
    void RenderSlot(Slot& slot, int index, double t0, double t1, double* left, double* right,
                    int frames);
    double Compensation(double frequency) const;

    const SbagenTimeline& timeline_;
    int sampleRate_;
    MixSource* mix_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::int64_t position_ = 0;
    std::size_t nextBell_ = 0;
    std::vector<double> scratchLeft_, scratchRight_, mixLeft_, mixRight_;
    bool mixRead_ = false;
};

} // namespace tonewell::session
