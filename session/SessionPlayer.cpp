#include "SessionPlayer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "SessionError.h"

namespace tonewell::session {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Level swing of a spin per microsecond of width, and its limit.
constexpr double kSpinSwingPerMicrosecond = 0.00058;
constexpr double kSpinMaxGain = 1.41421356;
// mixspin: and mixpulse: lift the mix they act on by this factor, then take
// this much of it away (times their intensity) at the quiet of a pulse or
// (times the width in ms) at each side of a swing, as SBaGen+ does.
constexpr double kMixEffectLift = 1.7;
constexpr double kMixEffectDepth = 1.05;
// A bell holds its strike for 50 ms, then dies away with a time constant of 0.57 s.
constexpr double kBellHoldSeconds = 0.05;
constexpr double kBellSeconds = 0.57;
constexpr double kBellPhaseStep = 0.14; // cycles between the strikes of neighbouring slots
// Pieces planned per stretch at most (a stretch ends early where levels turn often).
constexpr std::size_t kMaxPieces = 2 * SessionPlayer::kStretch / SessionPlayer::kBlock;

// One cycle of a pulsed tone's envelope, as SBaGen+ shapes it for each
// waveform: "sine" sounds from 5 % to 45 % of the cycle with smooth edges,
// "square" for the first half at full level, "triangle" a raised cosine from
// 32 % to 68 %, "sawtooth" a half cosine rising from 65 % to the end of the
// cycle, where it drops.
class PulseShape {
public:
    explicit PulseShape(Waveform wave) {
        constexpr double kPi = 3.14159265358979323846;
        for (std::size_t i = 0; i <= kSize; ++i) {
            const double phase = static_cast<double>(i) / kSize;
            double value = 0.0;
            switch (wave) {
            case Waveform::Square:
                value = phase < 0.5 ? 1.0 : 0.0;
                break;
            case Waveform::Triangle:
                if (std::fabs(phase - 0.5) < 0.18)
                    value = 0.5 + 0.5 * std::cos(kPi * (phase - 0.5) / 0.18);
                break;
            case Waveform::Sawtooth:
                if (phase > 0.65 && i < kSize)
                    value = 0.5 - 0.5 * std::cos(kPi * (phase - 0.65) / 0.35);
                break;
            default:
                if (phase > kStart && phase < kStart + kOn) {
                    const double x = std::min(phase - kStart, kStart + kOn - phase) / (kOn / 2.0);
                    value = 1.0 - std::pow(1.0 - std::pow(x, 1.5), 3.8);
                }
            }
            table_[i] = value;
        }
    }
    double At(double phase) const {
        const double position = phase * kSize;
        const auto index = static_cast<std::size_t>(position);
        const double fraction = position - static_cast<double>(index);
        return table_[index] + (table_[index + 1] - table_[index]) * fraction;
    }

private:
    static constexpr std::size_t kSize = 2048;
    static constexpr double kStart = 0.05;
    static constexpr double kOn = 0.4;
    std::array<double, kSize + 1> table_{};
};

const PulseShape& Pulse(Waveform wave) {
    static const PulseShape sine(Waveform::Sine), square(Waveform::Square),
        triangle(Waveform::Triangle), sawtooth(Waveform::Sawtooth);
    switch (wave) {
    case Waveform::Square:
        return square;
    case Waveform::Triangle:
        return triangle;
    case Waveform::Sawtooth:
        return sawtooth;
    default:
        return sine;
    }
}

NoiseColor ColorOf(ToneKind kind) {
    switch (kind) {
    case ToneKind::White:
    case ToneKind::WhiteSpin:
        return NoiseColor::White;
    case ToneKind::Brown:
    case ToneKind::BrownSpin:
        return NoiseColor::Brown;
    default:
        return NoiseColor::Pink;
    }
}

bool IsMixEffect(ToneKind kind) {
    return kind == ToneKind::Mix || kind == ToneKind::MixSpin || kind == ToneKind::MixPulse;
}

} // namespace

struct SessionPlayer::Slot {
    std::unique_ptr<ToneVoice> voice;
    std::unique_ptr<NoiseSource> noise[3];
    double pulsePhase = 0.0;
    double spinPhase = 0.0;
    // A ringing bell.
    double bellLevel = 0.0;
    double bellPhase = 0.0;
    double bellIncrement = 0.0;
    int bellHold = 0;
    // The voice's and the noise's output over the current stretch.
    std::vector<double> voiceLeft, voiceRight, noiseOut;
};

// What one slot plays over one piece.
struct SessionPlayer::Plan {
    ToneKind kind = ToneKind::Off; // Off: nothing but a ringing bell
    bool silent = false;           // only the spin's clock runs
    double level0 = 0.0;
    double step = 0.0;
    // -c: each ear's boost by its own frequency, relative to the level's.
    double leftBoost = 1.0, rightBoost = 1.0;
    Waveform wave = Waveform::Sine;
    ToneSpec middle;
};

// A piece: a run of frames within a stretch over which every level is one
// straight line, and the bells struck at its start.
struct SessionPlayer::Piece {
    int offset = 0;
    int frames = 0;
    std::size_t bellBegin = 0;
    std::size_t bellEnd = 0;
};

// Shares the slots' voices and noises of a stretch between the calling
// thread and its own: each slot is taken whole by whichever thread gets to it
// first and touches nothing of the others, so the result never depends on
// which thread that was. The worker takes the tone voices from one end, the
// caller, who mixes afterwards, the noises from the other.
class SessionPlayer::Worker {
public:
    explicit Worker(SessionPlayer& player) : player_(player), thread_([this] { Loop(); }) {
        for (std::size_t k = 0; k < player.slots_.size(); ++k)
            if (player.slots_[k]->voice) order_.push_back(k);
        for (std::size_t k = 0; k < player.slots_.size(); ++k)
            if (!player.slots_[k]->voice) order_.push_back(k);
    }
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void ProduceAll() {
        count_ = order_.size();
        front_ = 0;
        back_ = count_;
        claimed_.store(0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++round_;
            busy_ = true;
        }
        wake_.notify_one();
        const std::exception_ptr mine = Drain(false);
        std::exception_ptr theirs;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [this] { return !busy_; });
            std::swap(theirs, error_);
        }
        if (mine) std::rethrow_exception(mine);
        if (theirs) std::rethrow_exception(theirs);
    }

private:
    std::exception_ptr Drain(bool fromFront) {
        try {
            // Every claim is of one slot, so the two ends never cross.
            while (claimed_.fetch_add(1) < count_)
                player_.Produce(fromFront ? order_[front_++] : order_[--back_]);
        } catch (...) {
            claimed_.store(count_); // the other thread stops too
            return std::current_exception();
        }
        return nullptr;
    }

    void Loop() {
        std::uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || round_ != seen; });
                if (quit_) return;
                seen = round_;
            }
            std::exception_ptr error = Drain(true);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                error_ = std::move(error);
                busy_ = false;
            }
            done_.notify_one();
        }
    }

    SessionPlayer& player_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::uint64_t round_ = 0;
    bool busy_ = false;
    bool quit_ = false;
    std::exception_ptr error_;
    std::vector<std::size_t> order_; // slots, tone voices first
    std::size_t count_ = 0;
    std::size_t front_ = 0; // the worker's end
    std::size_t back_ = 0;  // the caller's end
    std::atomic<std::size_t> claimed_{0};
    std::thread thread_; // last: it starts running at construction
};

SessionPlayer::SessionPlayer(const SbagenTimeline& timeline, int sampleRate, VoiceFactory& voices,
                             MixSource* mix)
    : timeline_(timeline), sampleRate_(sampleRate), mix_(mix), gain_(kBlock), mixLeft_(kBlock),
      mixRight_(kBlock), mixLevel_(kBlock) {
    const double nyquist = sampleRate / 2.0;
    const auto& script = timeline.Script();
    mixThroughout_ = mix != nullptr && script.MixLine() == 0;
    for (const auto& set : script.ToneSets()) {
        for (const auto& tone : set.tones) {
            const double highest = tone.kind == ToneKind::Binaural
                                       ? tone.carrier + std::fabs(tone.beat) / 2.0
                                       : tone.carrier;
            if ((tone.IsTone() || tone.kind == ToneKind::Bell) && highest >= nyquist)
                throw SessionError(script.Name() + ": tone-set '" + set.name +
                                   "': " + tone.Describe() + " reaches half the sample rate (" +
                                   std::to_string(sampleRate) + " Hz); expected a lower carrier");
        }
    }
    for (int i = 0; i < timeline.Slots(); ++i)
        slots_.push_back(std::make_unique<Slot>());
    // Every voice and noise a slot will need is made now, so that rendering
    // allocates nothing.
    for (const auto& set : script.ToneSets()) {
        for (std::size_t k = 0; k < set.tones.size(); ++k) {
            Slot& slot = *slots_[k];
            const ToneSpec& tone = set.tones[k];
            if (tone.IsTone() && !slot.voice) {
                slot.voice = voices.Create(sampleRate, kBlock);
                slot.voiceLeft.resize(static_cast<std::size_t>(stretch_));
                slot.voiceRight.resize(static_cast<std::size_t>(stretch_));
            }
            if (!tone.IsNoise()) continue;
            slot.noiseOut.resize(static_cast<std::size_t>(stretch_));
            // SBaGen+ draws every pink bed from one pink noise and every brown
            // bed or brown spin from one brown noise, so that they add up in
            // step (a spin's small delays barely change brown noise); white
            // beds and the other spins, which its delays decorrelate, have
            // their own.
            const NoiseColor color = ColorOf(tone.kind);
            auto& source = slot.noise[static_cast<int>(color)];
            const bool shared = tone.kind == ToneKind::Pink || tone.kind == ToneKind::Brown ||
                                tone.kind == ToneKind::BrownSpin;
            const std::uint32_t stream = shared ? 1u : static_cast<std::uint32_t>(k + 2);
            if (!source)
                source = std::make_unique<NoiseSource>(color, sampleRate, 0x2545F491u * stream);
        }
    }
    pieces_.reserve(kMaxPieces);
    plans_.resize(kMaxPieces * slots_.size());
}

SessionPlayer::~SessionPlayer() = default;

void SessionPlayer::WorkAhead(bool shareWithWorker) {
    stretch_ = kStretch;
    aheadLeft_.resize(kStretch);
    aheadRight_.resize(kStretch);
    for (auto& slot : slots_) {
        if (!slot->voiceLeft.empty()) {
            slot->voiceLeft.resize(kStretch);
            slot->voiceRight.resize(kStretch);
        }
        if (!slot->noiseOut.empty()) slot->noiseOut.resize(kStretch);
    }
    if (shareWithWorker && !worker_) worker_ = std::make_unique<Worker>(*this);
}

void SessionPlayer::SkipTo(std::int64_t frame) {
    position_ = std::max<std::int64_t>(frame, 0);
    renderPosition_ = position_;
    aheadDone_ = aheadFrames_ = 0; // what was rendered ahead is of the old place
    nextBell_ = 0;
    const auto& bells = timeline_.Bells();
    while (nextBell_ < bells.size() && bells[nextBell_].at * sampleRate_ < position_ - 0.5)
        ++nextBell_;
    for (auto& slot : slots_)
        slot->bellLevel = 0.0;
}

double SessionPlayer::Compensation(double frequency) const {
    const auto& points = timeline_.Script().Options().compensation;
    if (points.empty()) return 1.0;
    if (frequency >= points.front().first) return points.front().second;
    if (frequency <= points.back().first) return points.back().second;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto& high = points[i - 1];
        const auto& low = points[i];
        if (frequency >= low.first) {
            const double u = (frequency - low.first) / (high.first - low.first);
            return low.second + (high.second - low.second) * u;
        }
    }
    return 1.0;
}

void SessionPlayer::Render(double* left, double* right, int frames) {
    if (aheadLeft_.empty()) {
        for (int done = 0; done < frames;)
            done += RenderStretch(left + done, right + done, frames - done);
    } else {
        for (int done = 0; done < frames;) {
            if (aheadDone_ == aheadFrames_) {
                aheadFrames_ = RenderStretch(aheadLeft_.data(), aheadRight_.data(), kStretch);
                aheadDone_ = 0;
            }
            const int count = std::min(frames - done, aheadFrames_ - aheadDone_);
            std::copy_n(aheadLeft_.data() + aheadDone_, count, left + done);
            std::copy_n(aheadRight_.data() + aheadDone_, count, right + done);
            aheadDone_ += count;
            done += count;
        }
    }
    position_ += frames;
}

int SessionPlayer::RenderStretch(double* left, double* right, int frames) {
    const int planned = PlanPieces(frames);
    if (worker_)
        worker_->ProduceAll();
    else
        for (std::size_t k = 0; k < slots_.size(); ++k)
            Produce(k);
    for (std::size_t p = 0; p < pieces_.size(); ++p)
        MixPiece(pieces_[p], p, left + pieces_[p].offset, right + pieces_[p].offset);
    renderPosition_ += planned;
    return planned;
}

int SessionPlayer::PlanPieces(int frames) {
    // A piece ends where some slot's line turns or a bell rings, so every
    // level within a piece is one straight line.
    pieces_.clear();
    const auto& bells = timeline_.Bells();
    int done = 0;
    while (done < frames && done <= stretch_ - kBlock && pieces_.size() < kMaxPieces) {
        const std::int64_t position = renderPosition_ + done;
        int count = std::min(frames - done, kBlock);
        const double t0 = static_cast<double>(position) / sampleRate_;
        double breakAt = timeline_.NextBreak(t0);
        while (nextBell_ < bells.size() && bells[nextBell_].at * sampleRate_ < position - 0.5)
            ++nextBell_;
        if (nextBell_ < bells.size()) breakAt = std::min(breakAt, bells[nextBell_].at);
        if (std::isfinite(breakAt)) {
            const auto frame = static_cast<std::int64_t>(std::ceil(breakAt * sampleRate_ - 1e-6));
            if (frame > position && frame - position < count)
                count = static_cast<int>(frame - position);
        }
        Piece piece;
        piece.offset = done;
        piece.frames = count;
        piece.bellBegin = nextBell_;
        while (nextBell_ < bells.size() && bells[nextBell_].at * sampleRate_ <= position + 0.5)
            ++nextBell_;
        piece.bellEnd = nextBell_;
        const double t1 = static_cast<double>(position + count) / sampleRate_;
        for (std::size_t k = 0; k < slots_.size(); ++k)
            PlanSlot(plans_[pieces_.size() * slots_.size() + k], static_cast<int>(k), t0, t1,
                     count);
        pieces_.push_back(piece);
        done += count;
    }
    return done;
}

void SessionPlayer::PlanSlot(Plan& plan, int index, double t0, double t1, int frames) const {
    plan.kind = ToneKind::Off;
    plan.leftBoost = plan.rightBoost = 1.0;
    const double epsilon = 1e-9;
    const ToneSpec start = timeline_.SlotAt(index, t0 + epsilon);
    if (start.kind == ToneKind::Off || start.kind == ToneKind::Bell) return;
    const ToneSpec end = timeline_.SlotAt(index, std::max(t0 + epsilon, t1 - epsilon));
    const ToneSpec middle = timeline_.SlotAt(index, (t0 + t1) / 2.0);
    const double volume = timeline_.Script().Options().volume;
    double level0 = start.amp * volume;
    double level1 = (end.kind == start.kind ? end.amp : 0.0) * volume;
    if (start.IsTone()) {
        // A custom shape plays as the instrument's wave at the shape's level.
        const double shape =
            middle.customWave >= 0
                ? timeline_.Script().WaveLevel(middle.customWave) / 0.70710678118654752
                : 1.0;
        // -c boosts low binaural and plain tones only; SBaGen+ leaves pulsed ones.
        const double compensation =
            (start.kind == ToneKind::Binaural ? Compensation(middle.carrier) : 1.0) * shape;
        level0 *= compensation;
        level1 *= compensation;
        if (start.kind == ToneKind::Binaural && middle.beat != 0.0 &&
            !timeline_.Script().Options().compensation.empty()) {
            const double centre = Compensation(middle.carrier);
            plan.leftBoost = Compensation(middle.carrier + middle.beat / 2.0) / centre;
            plan.rightBoost = Compensation(middle.carrier - middle.beat / 2.0) / centre;
        }
    }
    plan.kind = start.kind;
    plan.level0 = level0;
    plan.step = (level1 - level0) / frames;
    plan.silent = level0 <= 0.0 && level1 <= 0.0 && start.kind != ToneKind::Isochronic &&
                  start.kind != ToneKind::MixPulse;
    plan.wave = middle.wave == Waveform::Default ? timeline_.Script().Options().wave : middle.wave;
    plan.middle = middle;
}

namespace {

// The level of each frame of a piece: a straight line.
void Ramp(double* gain, double level0, double step, int frames) {
    for (int i = 0; i < frames; ++i)
        gain[i] = level0 + step * (i + 1);
}

void Scale(double* __restrict values, const double* __restrict gain, int frames) {
    for (int i = 0; i < frames; ++i)
        values[i] = gain[i] * values[i];
}

bool IsPlainNoise(ToneKind kind) {
    return kind == ToneKind::Pink || kind == ToneKind::White || kind == ToneKind::Brown;
}

} // namespace

void SessionPlayer::Produce(std::size_t index) {
    // Tones and plain noises leave here at their level, so that the mix only
    // adds them up.
    Slot& slot = *slots_[index];
    std::array<double, kBlock> gain;
    for (std::size_t p = 0; p < pieces_.size(); ++p) {
        const Plan& plan = plans_[p * slots_.size() + index];
        const Piece& piece = pieces_[p];
        if (plan.kind == ToneKind::Off || plan.silent) continue;
        if (plan.kind == ToneKind::Binaural || plan.kind == ToneKind::Isochronic) {
            if (!slot.voice) continue;
            const bool pulsed = plan.kind == ToneKind::Isochronic;
            double* left = slot.voiceLeft.data() + piece.offset;
            double* right = slot.voiceRight.data() + piece.offset;
            slot.voice->Set(plan.middle.carrier, pulsed ? 0.0 : plan.middle.beat, plan.wave);
            slot.voice->Render(left, right, piece.frames);
            Ramp(gain.data(), plan.level0, plan.step, piece.frames);
            if (pulsed) {
                const PulseShape& pulse = Pulse(plan.wave);
                const double pulseStep = plan.middle.beat / sampleRate_;
                double phase = slot.pulsePhase;
                for (int i = 0; i < piece.frames; ++i) {
                    gain[static_cast<std::size_t>(i)] *= pulse.At(phase);
                    phase += pulseStep;
                    if (phase >= 1.0) phase -= 1.0;
                }
                slot.pulsePhase = phase;
            }
            Scale(left, gain.data(), piece.frames);
            Scale(right, gain.data(), piece.frames);
            if (plan.leftBoost != 1.0 || plan.rightBoost != 1.0) {
                for (int i = 0; i < piece.frames; ++i) {
                    left[i] *= plan.leftBoost;
                    right[i] *= plan.rightBoost;
                }
            }
        } else if (!IsMixEffect(plan.kind)) {
            NoiseSource* noise = slot.noise[static_cast<int>(ColorOf(plan.kind))].get();
            if (noise == nullptr) continue;
            double* out = slot.noiseOut.data() + piece.offset;
            noise->Fill(out, piece.frames);
            if (IsPlainNoise(plan.kind)) {
                Ramp(gain.data(), plan.level0, plan.step, piece.frames);
                Scale(out, gain.data(), piece.frames);
            }
        }
    }
}

void SessionPlayer::MixPiece(const Piece& piece, std::size_t pieceIndex, double* left,
                             double* right) {
    const int frames = piece.frames;
    std::fill(left, left + frames, 0.0);
    std::fill(right, right + frames, 0.0);
    // Bells that ring from this piece on.
    const auto& bells = timeline_.Bells();
    for (std::size_t b = piece.bellBegin; b < piece.bellEnd; ++b) {
        const auto& bell = bells[b];
        if (bell.slot >= static_cast<int>(slots_.size())) continue;
        Slot& slot = *slots_[static_cast<std::size_t>(bell.slot)];
        slot.bellLevel = bell.toneSpec.amp * timeline_.Script().Options().volume;
        slot.bellHold = static_cast<int>(kBellHoldSeconds * sampleRate_);
        // Each slot strikes at a phase of its own, so bells of one pitch in
        // several slots add up about as SBaGen+'s do rather than all in phase.
        slot.bellPhase = kTwoPi * std::fmod(kBellPhaseStep * bell.slot, 1.0);
        slot.bellIncrement = kTwoPi * bell.toneSpec.carrier / sampleRate_;
    }
    mixRead_ = false;
    std::fill(mixLevel_.begin(), mixLevel_.begin() + frames, 0.0);
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        const Plan& plan = plans_[pieceIndex * slots_.size() + k];
        if (plan.kind != ToneKind::Mix || plan.silent) continue;
        Ramp(mixLevel_.data(), plan.level0, plan.step, frames);
        break;
    }
    if (mix_ != nullptr) {
        mix_->Read(mixLeft_.data(), mixRight_.data(), frames);
        mixRead_ = true;
        if (mixThroughout_) {
            const double volume = timeline_.Script().Options().volume;
            for (int i = 0; i < frames; ++i) {
                left[i] = volume * mixLeft_[static_cast<std::size_t>(i)];
                right[i] = volume * mixRight_[static_cast<std::size_t>(i)];
            }
        }
    }
    for (std::size_t k = 0; k < slots_.size(); ++k)
        MixSlot(*slots_[k], plans_[pieceIndex * slots_.size() + k], piece.offset, left, right,
                frames);
}

void SessionPlayer::MixSlot(Slot& slot, const Plan& plan, int offset, double* left, double* right,
                            int frames) {
    if (slot.bellLevel > 1e-5) {
        const double decay = std::exp(-1.0 / (kBellSeconds * sampleRate_));
        for (int i = 0; i < frames; ++i) {
            const double value = slot.bellLevel * std::sin(slot.bellPhase);
            left[i] += value;
            right[i] += value;
            if (slot.bellHold > 0)
                --slot.bellHold;
            else
                slot.bellLevel *= decay;
            slot.bellPhase += slot.bellIncrement;
            if (slot.bellPhase >= kTwoPi) slot.bellPhase -= kTwoPi;
        }
    }
    if (plan.kind == ToneKind::Off) return;
    const ToneSpec& middle = plan.middle;
    if (plan.silent) {
        slot.spinPhase = std::fmod(slot.spinPhase + middle.beat * frames / sampleRate_, 1.0);
        return;
    }
    switch (plan.kind) {
    case ToneKind::Binaural:
    case ToneKind::Isochronic: {
        if (!slot.voice) return;
        const double* inLeft = slot.voiceLeft.data() + offset;
        const double* inRight = slot.voiceRight.data() + offset;
        for (int i = 0; i < frames; ++i) {
            left[i] += inLeft[i];
            right[i] += inRight[i];
        }
        return;
    }
    case ToneKind::Mix:
    case ToneKind::MixSpin:
    case ToneKind::MixPulse:
        if (!mixRead_) return;
        break;
    default:
        break;
    }

    const bool fromMix = IsMixEffect(plan.kind);
    if (!fromMix && slot.noise[static_cast<int>(ColorOf(plan.kind))] == nullptr) return;
    const double* inLeft = fromMix ? mixLeft_.data() : slot.noiseOut.data() + offset;
    const double* inRight = fromMix ? mixRight_.data() : slot.noiseOut.data() + offset;
    if (IsPlainNoise(plan.kind)) {
        for (int i = 0; i < frames; ++i) {
            left[i] += inLeft[i];
            right[i] += inLeft[i];
        }
        return;
    }
    double* gain = gain_.data();
    Ramp(gain, plan.level0, plan.step, frames);
    const bool spins = plan.kind == ToneKind::Spin || plan.kind == ToneKind::BrownSpin ||
                       plan.kind == ToneKind::WhiteSpin || plan.kind == ToneKind::MixSpin;
    if (!spins && plan.kind != ToneKind::MixPulse) {
        for (int i = 0; i < frames; ++i) {
            left[i] += gain[i] * inLeft[i];
            right[i] += gain[i] * inRight[i];
        }
        return;
    }
    const double swing = kSpinSwingPerMicrosecond * middle.width;
    const double spinStep = middle.beat / sampleRate_;
    for (int i = 0; i < frames; ++i) {
        double gainLeft = gain[i];
        double gainRight = gain[i];
        if (spins) {
            const double turn = std::sin(kTwoPi * slot.spinPhase);
            const double d = swing * turn;
            slot.spinPhase += spinStep;
            if (slot.spinPhase >= 1.0) slot.spinPhase -= 1.0;
            if (slot.spinPhase < 0.0) slot.spinPhase += 1.0;
            const double towardLeft = std::clamp(1.0 - d, 0.0, kSpinMaxGain);
            const double towardRight = std::clamp(1.0 + d, 0.0, kSpinMaxGain);
            if (plan.kind == ToneKind::MixSpin) {
                // An effect on the mix lifts it and swings it between the
                // ears by its intensity times its width.
                const double sway = kMixEffectDepth * gain[i] * middle.width * 1e-3 * turn;
                gainLeft = std::max(0.0, kMixEffectLift - sway);
                gainRight = std::max(0.0, kMixEffectLift + sway);
            } else {
                gainLeft *= towardLeft;
                gainRight *= towardRight;
            }
        } else {
            const double pulse = Pulse(plan.wave).At(slot.pulsePhase);
            slot.pulsePhase += middle.beat / sampleRate_;
            if (slot.pulsePhase >= 1.0) slot.pulsePhase -= 1.0;
            gainLeft = gainRight =
                std::max(0.0, kMixEffectLift - kMixEffectDepth * gain[i] * (1.0 - pulse));
        }
        if (plan.kind == ToneKind::MixSpin || plan.kind == ToneKind::MixPulse) {
            // Effects reshape the mix already in the output (at its own
            // level) rather than add to it.
            left[i] += mixLevel_[i] * (gainLeft - 1.0) * inLeft[i];
            right[i] += mixLevel_[i] * (gainRight - 1.0) * inRight[i];
        } else {
            left[i] += gainLeft * inLeft[i];
            right[i] += gainRight * inRight[i];
        }
    }
}

} // namespace tonewell::session
