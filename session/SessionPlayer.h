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
    // asks for; a call for a whole stretch or more gets it straight into its
    // buffers. With `shareWithWorker` the slots' two groups render side by
    // side, on the calling thread and a worker, with the same result. Call
    // before the first Render; not for real-time use.
    void WorkAhead(bool shareWithWorker);

    std::int64_t Position() const { return position_; }
    double Seconds() const { return static_cast<double>(position_) / sampleRate_; }

private:
    struct Slot;
    struct Plan;
    struct Piece;
    struct Group;
    struct Bank;
    class Worker;
    int RenderStretch(double* left, double* right, int frames);
    void PlanAhead();
    void RenderAhead(double* left, double* right);
    int PlanPieces(Bank& bank, int frames);
    void PlanSlot(Plan& plan, int index, double t0, double t1, int frames) const;
    void RenderGroup(int group, const Bank& bank, double* left, double* right);
    void RenderSecondGroup(std::uint64_t stretch);
    void PlayVoice(Slot& slot, const Plan& plan, Group& group, double* left, double* right,
                   int frames, bool& written);
    void CatchUp(Slot& slot, Group& group, double carrier);
    void RingBell(Slot& slot, double* left, double* right, int frames, double volume) const;
    void PlaceBells();
    void MixEffect(Slot& slot, const Plan& plan, const double* in, double* left, double* right,
                   int frames);
    double Compensation(double frequency) const;

    const SbagenTimeline& timeline_;
    int sampleRate_;
    MixSource* mix_;
    // A mix that no tone-set names plays throughout at full level, as in SBaGen.
    bool mixThroughout_ = false;
    std::vector<std::unique_ptr<Slot>> slots_;
    // The slots in two groups, each summed on its own over a stretch: the
    // second first (by the worker when working ahead on two threads), then
    // the first by the calling thread into the output, the second added in.
    std::unique_ptr<Group[]> groups_;
    std::vector<int> groupOf_;        // per slot
    std::int64_t position_ = 0;       // frames handed out
    std::int64_t renderPosition_ = 0; // frames planned (ahead when working ahead)
    std::size_t nextBell_ = 0;
    // The frame each of the timeline's bells strikes at.
    std::vector<std::int64_t> bellFrames_;
    // Working ahead, stretch n is planned in bank n % kBanks, a few before
    // it is rendered.
    static constexpr int kBanks = 4;
    std::unique_ptr<Bank> banks_[kBanks];
    std::uint64_t stretchNumber_ = 0; // the next stretch to hand out
    std::uint64_t planned_ = 0;       // stretches planned (and posted to the worker)
    std::vector<double> mixLeft_, mixRight_;
    bool mixRead_ = false;
    std::vector<double> aheadLeft_, aheadRight_;
    int aheadDone_ = 0, aheadFrames_ = 0;
    int stretch_ = 8192;             // frames a stretch holds at most
    std::unique_ptr<Worker> worker_; // last, so its thread stops first
};

} // namespace tonewell::session
