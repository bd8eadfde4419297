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
    // Frames planned and rendered together when working ahead: every voice
    // and noise over the whole stretch, then the mix. Long, so that the two
    // threads meet seldom.
    static constexpr int kStretch = 65536;

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

    // For offline rendering: Render works ahead a stretch of kStretch frames
    // at a time, so the result no longer depends on how many frames each call
    // asks for. With `shareWithWorker` the voices and noises of each stretch
    // are shared between the calling thread and one worker thread, with the
    // same result. Call before the first Render; not for real-time use.
    void WorkAhead(bool shareWithWorker);

    std::int64_t Position() const { return position_; }
    double Seconds() const { return static_cast<double>(position_) / sampleRate_; }

private:
    struct Slot;
    struct Plan;
    struct Piece;
    class Worker;
    int RenderStretch(double* left, double* right, int frames);
    int PlanPieces(int frames);
    void PlanSlot(Plan& plan, int index, double t0, double t1, int frames) const;
    void Produce(std::size_t index);
    void MixPiece(const Piece& piece, std::size_t pieceIndex, double* left, double* right);
    void MixSlot(Slot& slot, const Plan& plan, int offset, double* left, double* right, int frames);
    double Compensation(double frequency) const;

    const SbagenTimeline& timeline_;
    int sampleRate_;
    MixSource* mix_;
    // A mix that no tone-set names plays throughout at full level, as in SBaGen.
    bool mixThroughout_ = false;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::int64_t position_ = 0;       // frames handed out
    std::int64_t renderPosition_ = 0; // frames rendered (ahead when working ahead)
    std::size_t nextBell_ = 0;
    std::vector<Piece> pieces_;
    std::vector<Plan> plans_; // per piece, per slot
    std::vector<double> gain_, mixLeft_, mixRight_;
    std::vector<double> mixLevel_; // the mix's own level, frame by frame
    bool mixRead_ = false;
    std::unique_ptr<Worker> worker_;
    std::vector<double> aheadLeft_, aheadRight_;
    int aheadDone_ = 0, aheadFrames_ = 0;
    int stretch_ = 8192; // frames a stretch holds at most
};

} // namespace tonewell::session
