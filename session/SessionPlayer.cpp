#include "SessionPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

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
// A bell rings as SBaGen+'s does, so that bells struck together add up as
// theirs do: its level, in 4096ths of full scale, loses 1 + 1/12 of itself
// every twentieth of a second and it falls silent at 0; its phase runs on
// from strike to strike, in steps of 2^-30 of a cycle, only while it rings.
// Its level glides to each new step over about 2 ms rather than jumping.
constexpr int kBellUnits = 4096;
constexpr std::uint32_t kBellPhaseMask = (1u << 30) - 1;
constexpr double kBellGlideSeconds = 0.002;
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
        switch (wave) {
        case Waveform::Square:
            soundFrom_ = 0.0;
            soundTo_ = 0.5;
            break;
        case Waveform::Triangle:
            soundFrom_ = 0.32;
            soundTo_ = 0.68;
            break;
        case Waveform::Sawtooth:
            soundFrom_ = 0.65;
            soundTo_ = 1.0;
            break;
        default:
            break;
        }
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
    // Whether At is 0 for every phase from `from` (in 0..1) up to `to`, at
    // most half a cycle on.
    bool SilentBetween(double from, double to) const {
        // Two table steps clear of the values that are not 0.
        const double after = soundTo_ + 2.0 / kSize;
        const double before = soundFrom_ - 2.0 / kSize;
        if (!(to >= from) || to - from > 0.5) return false;
        return (from >= after - 1.0 && to <= before) || (from >= after && to <= before + 1.0);
    }

private:
    static constexpr std::size_t kSize = 2048;
    static constexpr double kStart = 0.05;
    static constexpr double kOn = 0.4;
    double soundFrom_ = kStart, soundTo_ = kStart + kOn; // where it may sound
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
    // A pulse's tone between pulses: frames of silence not rendered yet,
    // and the cycles of its tone left out so far, less whole cycles.
    int silentFrames = 0;
    double skippedCycles = 0.0;
    double spinPhase = 0.0;
    // A ringing bell: its level in SBaGen+'s units, the samples to its next
    // step down, its phase and phase step, and the level it sounds at.
    int bellUnits = 0;
    int bellCount = 0;
    std::uint32_t bellPhase = 0;
    std::uint32_t bellStep = 0;
    double bellLevel = 0.0;
};

// What one slot plays over one piece.
struct SessionPlayer::Plan {
    ToneKind kind = ToneKind::Off; // Off: nothing but a ringing bell
    bool silent = false;           // only the spin's clock runs
    double level0 = 0.0;
    double step = 0.0;
    // -c: each ear's boost by its own frequency, relative to the level's.
    double leftBoost = 1.0, rightBoost = 1.0;
    // A mix effect: the level of the mix it acts on.
    double mixLevel0 = 0.0, mixStep = 0.0;
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

// A group of slots, summed in their order over a stretch by one thread.
struct SessionPlayer::Group {
    std::vector<std::size_t> slots;
    bool readsMix = false;
    // A piece of a voice and of a noise, before they are added.
    std::array<double, kBlock> voiceLeft{}, voiceRight{}, noise{};
};

// The plans of a stretch, and the second group's sum over it.
struct SessionPlayer::Bank {
    std::vector<Piece> pieces;
    std::vector<Plan> plans; // per piece, per slot
    int frames = 0;
    std::vector<double> secondLeft, secondRight;
};

// Renders the second group of each stretch posted to it, in their order,
// while the calling thread renders the first and plans the next.
class SessionPlayer::Worker {
public:
    explicit Worker(SessionPlayer& player) : player_(player), thread_([this] { Loop(); }) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void Post() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++posted_;
        }
        wake_.notify_one();
    }

    // Waits until the stretch numbered `stretch` is done; throws what the
    // worker threw.
    void WaitFor(std::uint64_t stretch) {
        std::exception_ptr theirs;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [&] { return finished_ > stretch; });
            std::swap(theirs, error_);
        }
        if (theirs) std::rethrow_exception(theirs);
    }

    // Waits until everything posted is done, its errors dropped.
    void Settle() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return finished_ == posted_; });
        error_ = nullptr;
    }

private:
    void Loop() {
        for (;;) {
            std::uint64_t stretch = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || posted_ > finished_; });
                if (quit_) return;
                stretch = finished_;
            }
            std::exception_ptr error;
            try {
                player_.RenderSecondGroup(stretch);
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (error && !error_) error_ = std::move(error);
                ++finished_;
            }
            done_.notify_one();
        }
    }

    SessionPlayer& player_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::uint64_t posted_ = 0;   // stretches posted since the start
    std::uint64_t finished_ = 0; // of them done
    bool quit_ = false;
    std::exception_ptr error_;
    std::thread thread_; // last: it starts running at construction
};

SessionPlayer::SessionPlayer(const SbagenTimeline& timeline, int sampleRate, VoiceFactory& voices,
                             MixSource* mix)
    : timeline_(timeline), sampleRate_(sampleRate), mix_(mix),
      groups_(std::make_unique<Group[]>(2)), mixLeft_(kBlock), mixRight_(kBlock) {
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
    PlaceBells();
    // Every voice and noise a slot will need is made now, so that rendering
    // allocates nothing.
    std::vector<int> cost(slots_.size(), 1);
    std::vector<bool> readsMix(slots_.size(), false);
    for (const auto& set : script.ToneSets()) {
        for (std::size_t k = 0; k < set.tones.size(); ++k) {
            Slot& slot = *slots_[k];
            const ToneSpec& tone = set.tones[k];
            if (IsMixEffect(tone.kind)) readsMix[k] = true;
            if (tone.IsTone()) {
                // An instrument costs about four noises, a pulse (silent for
                // the most part) about two.
                cost[k] = std::max(cost[k], tone.kind == ToneKind::Isochronic ? 2 : 4);
                if (!slot.voice) slot.voice = voices.Create(sampleRate, kBlock);
            }
            if (!tone.IsNoise()) continue;
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
    // Two groups of about equal cost, the dearest slots placed first. The
    // first group is the calling thread's, which also plans, adds the second
    // group in and hands the output on, so it starts with a handicap; slots
    // that read the mix stay in it, as the mix is read once per piece.
    std::vector<std::size_t> order(slots_.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cost[a] > cost[b]; });
    int load[2] = {2, 0};
    for (const std::size_t k : order) {
        const int group = readsMix[k] || load[0] < load[1] ? 0 : 1;
        groups_[group].slots.push_back(k);
        load[group] += cost[k];
    }
    for (int g = 0; g < 2; ++g)
        std::sort(groups_[g].slots.begin(), groups_[g].slots.end());
    groups_[0].readsMix = true;
    groupOf_.resize(slots_.size());
    for (int g = 0; g < 2; ++g)
        for (const std::size_t k : groups_[g].slots)
            groupOf_[k] = g;
    for (auto& bank : banks_) {
        bank = std::make_unique<Bank>();
        bank->pieces.reserve(kMaxPieces);
        bank->plans.resize(kMaxPieces * slots_.size());
    }
    banks_[0]->secondLeft.resize(static_cast<std::size_t>(stretch_));
    banks_[0]->secondRight.resize(static_cast<std::size_t>(stretch_));
}

SessionPlayer::~SessionPlayer() = default;

void SessionPlayer::WorkAhead(bool shareWithWorker) {
    stretch_ = kStretch;
    aheadLeft_.resize(kStretch);
    aheadRight_.resize(kStretch);
    for (auto& bank : banks_) {
        bank->secondLeft.resize(kStretch);
        bank->secondRight.resize(kStretch);
    }
    if (shareWithWorker && !worker_ && !groups_[1].slots.empty())
        worker_ = std::make_unique<Worker>(*this);
}

void SessionPlayer::SkipTo(std::int64_t frame) {
    // The stretches planned ahead are of the old place.
    if (worker_) worker_->Settle();
    stretchNumber_ = planned_; // the numbers stay the worker's
    position_ = std::max<std::int64_t>(frame, 0);
    renderPosition_ = position_;
    aheadDone_ = aheadFrames_ = 0; // what was rendered ahead is of the old place
    nextBell_ = 0;
    while (nextBell_ < bellFrames_.size() && bellFrames_[nextBell_] < position_)
        ++nextBell_;
    for (auto& slot : slots_) {
        slot->bellUnits = 0;
        slot->bellLevel = 0.0;
        slot->bellPhase = 0;
    }
}

void SessionPlayer::PlaceBells() {
    // SBaGen+ takes up a new period, and strikes its bells, only where it
    // writes a new buffer: every power-of-two buffer of up to a tenth of a
    // second, its clock kept in milliseconds and 65536ths of them. A bell
    // falls where SBaGen+ strikes it, so that bells add up as there.
    int samples = sampleRate_ * 2 / 10;
    while ((samples & (samples - 1)) != 0)
        samples &= samples - 1;
    const std::int64_t bufferFrames = std::max(samples / 2, 1);
    const auto fine = static_cast<std::int64_t>(65536.0 * 1000.0 * 0.5 * samples / sampleRate_);
    // Under -q SBaGen+'s clock runs faster than its buffers; bells keep their time.
    const bool onGrid = timeline_.Script().Options().quick == 1.0;
    bellFrames_.clear();
    std::int64_t buffer = 0;
    for (const auto& bell : timeline_.Bells()) {
        if (!onGrid) {
            bellFrames_.push_back(static_cast<std::int64_t>(std::llround(bell.at * sampleRate_)));
            continue;
        }
        const auto ms = static_cast<std::int64_t>(std::llround(bell.at * 1000.0));
        // The buffer whose clock first reaches the bell's millisecond.
        while (((fine >> 16) * buffer + ((fine & 0xFFFF) * buffer >> 16)) < ms)
            ++buffer;
        bellFrames_.push_back(buffer * bufferFrames);
    }
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
                PlanAhead();
                // Whole stretches go straight where they were asked for.
                const int next = banks_[stretchNumber_ % kBanks]->frames;
                if (frames - done >= next) {
                    RenderAhead(left + done, right + done);
                    done += next;
                    continue;
                }
                RenderAhead(aheadLeft_.data(), aheadRight_.data());
                aheadFrames_ = next;
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
    Bank& bank = *banks_[0];
    const int planned = PlanPieces(bank, frames);
    RenderGroup(1, bank, bank.secondLeft.data(), bank.secondRight.data());
    RenderGroup(0, bank, left, right);
    return planned;
}

void SessionPlayer::PlanAhead() {
    // Every free bank gets the next stretch, posted to the worker at once,
    // so that it can run ahead while this thread is busy elsewhere.
    while (planned_ < stretchNumber_ + kBanks) {
        PlanPieces(*banks_[planned_ % kBanks], kStretch);
        ++planned_;
        if (worker_) worker_->Post();
    }
}

void SessionPlayer::RenderAhead(double* left, double* right) {
    // The worker renders the second group up to a few stretches ahead; the
    // first sums straight into the output, the second added piece by piece.
    // On one thread the second group is rendered just before. Either way the
    // same sums, in the same order.
    const std::uint64_t number = stretchNumber_;
    if (worker_)
        worker_->WaitFor(number);
    else
        RenderSecondGroup(number);
    RenderGroup(0, *banks_[number % kBanks], left, right);
    ++stretchNumber_;
    PlanAhead();
}

void SessionPlayer::RenderSecondGroup(std::uint64_t stretch) {
    Bank& bank = *banks_[stretch % kBanks];
    RenderGroup(1, bank, bank.secondLeft.data(), bank.secondRight.data());
}

int SessionPlayer::PlanPieces(Bank& bank, int frames) {
    // A piece ends where some slot's line turns or a bell rings, so every
    // level within a piece is one straight line.
    auto& pieces = bank.pieces;
    pieces.clear();
    int done = 0;
    while (done < frames && done <= stretch_ - kBlock && pieces.size() < kMaxPieces) {
        const std::int64_t position = renderPosition_ + done;
        int count = std::min(frames - done, kBlock);
        const double t0 = static_cast<double>(position) / sampleRate_;
        const double breakAt = timeline_.NextBreak(t0);
        if (std::isfinite(breakAt)) {
            const auto frame = static_cast<std::int64_t>(std::ceil(breakAt * sampleRate_ - 1e-6));
            if (frame > position && frame - position < count)
                count = static_cast<int>(frame - position);
        }
        while (nextBell_ < bellFrames_.size() && bellFrames_[nextBell_] < position)
            ++nextBell_;
        if (nextBell_ < bellFrames_.size()) {
            const std::int64_t frame = bellFrames_[nextBell_];
            if (frame > position && frame - position < count)
                count = static_cast<int>(frame - position);
        }
        Piece piece;
        piece.offset = done;
        piece.frames = count;
        piece.bellBegin = nextBell_;
        while (nextBell_ < bellFrames_.size() && bellFrames_[nextBell_] <= position)
            ++nextBell_;
        piece.bellEnd = nextBell_;
        const double t1 = static_cast<double>(position + count) / sampleRate_;
        for (std::size_t k = 0; k < slots_.size(); ++k)
            PlanSlot(bank.plans[pieces.size() * slots_.size() + k], static_cast<int>(k), t0, t1,
                     count);
        pieces.push_back(piece);
        done += count;
    }
    bank.frames = done;
    renderPosition_ += done;
    return done;
}

void SessionPlayer::PlanSlot(Plan& plan, int index, double t0, double t1, int frames) const {
    plan.kind = ToneKind::Off;
    plan.leftBoost = plan.rightBoost = 1.0;
    plan.mixLevel0 = plan.mixStep = 0.0;
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
    if (start.kind == ToneKind::MixSpin || start.kind == ToneKind::MixPulse) {
        // The mix of the same tone-set, whose level the effect reshapes.
        for (int k = 0; k < static_cast<int>(slots_.size()); ++k) {
            const ToneSpec from = timeline_.SlotAt(k, t0 + epsilon);
            if (from.kind != ToneKind::Mix) continue;
            const ToneSpec to = timeline_.SlotAt(k, std::max(t0 + epsilon, t1 - epsilon));
            plan.mixLevel0 = from.amp * volume;
            plan.mixStep =
                ((to.kind == ToneKind::Mix ? to.amp : 0.0) * volume - plan.mixLevel0) / frames;
            break;
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

// A pair of channels at a level moving in a straight line, written (0 + x)
// for the first slot to sound and added after it.
void AddRamped(double* __restrict left, double* __restrict right, const double* __restrict inLeft,
               const double* __restrict inRight, double level0, double step, int frames,
               bool& written) {
    if (written) {
        for (int i = 0; i < frames; ++i) {
            const double gain = level0 + step * (i + 1);
            left[i] += gain * inLeft[i];
            right[i] += gain * inRight[i];
        }
    } else {
        for (int i = 0; i < frames; ++i) {
            const double gain = level0 + step * (i + 1);
            left[i] = 0.0 + gain * inLeft[i];
            right[i] = 0.0 + gain * inRight[i];
        }
        written = true;
    }
}

void AddToBoth(double* __restrict left, double* __restrict right, const double* __restrict in,
               int frames, bool& written) {
    if (written) {
        for (int i = 0; i < frames; ++i) {
            left[i] += in[i];
            right[i] += in[i];
        }
    } else {
        for (int i = 0; i < frames; ++i)
            left[i] = right[i] = 0.0 + in[i];
        written = true;
    }
}

bool IsPlainNoise(ToneKind kind) {
    return kind == ToneKind::Pink || kind == ToneKind::White || kind == ToneKind::Brown;
}

} // namespace

void SessionPlayer::RenderGroup(int groupIndex, const Bank& bank, double* left, double* right) {
    Group& group = groups_[groupIndex];
    const double volume = timeline_.Script().Options().volume;
    const auto& bells = timeline_.Bells();
    for (std::size_t p = 0; p < bank.pieces.size(); ++p) {
        const Piece& piece = bank.pieces[p];
        const int frames = piece.frames;
        double* outLeft = left + piece.offset;
        double* outRight = right + piece.offset;
        // Bells of this group's slots that ring from this piece on.
        for (std::size_t b = piece.bellBegin; b < piece.bellEnd; ++b) {
            const auto& bell = bells[b];
            if (bell.slot >= static_cast<int>(slots_.size()) ||
                groupOf_[static_cast<std::size_t>(bell.slot)] != groupIndex)
                continue;
            Slot& slot = *slots_[static_cast<std::size_t>(bell.slot)];
            slot.bellUnits = static_cast<int>(bell.toneSpec.amp * kBellUnits + 1e-9);
            slot.bellCount = sampleRate_ / 20;
            slot.bellLevel = slot.bellUnits * volume / kBellUnits;
            slot.bellStep = static_cast<std::uint32_t>(static_cast<std::int64_t>(
                bell.toneSpec.carrier / sampleRate_ * (kBellPhaseMask + 1.0)));
        }
        if (group.readsMix) { // the first group's alone, as is the mix
            mixRead_ = false;
            if (mix_ != nullptr) {
                mix_->Read(mixLeft_.data(), mixRight_.data(), frames);
                mixRead_ = true;
            }
        }
        // The first slot to sound writes rather than adds (0 + x, the same
        // sum), which spares clearing.
        bool written = false;
        if (group.readsMix && mixRead_ && mixThroughout_) {
            // A mix that no tone-set names is the ground the slots add to.
            const double volume = timeline_.Script().Options().volume;
            for (int i = 0; i < frames; ++i) {
                outLeft[i] = volume * mixLeft_[static_cast<std::size_t>(i)];
                outRight[i] = volume * mixRight_[static_cast<std::size_t>(i)];
            }
            written = true;
        }
        const auto clear = [&] {
            if (written) return;
            std::fill(outLeft, outLeft + frames, 0.0);
            std::fill(outRight, outRight + frames, 0.0);
            written = true;
        };
        for (const std::size_t k : group.slots) {
            Slot& slot = *slots_[k];
            const Plan& plan = bank.plans[p * slots_.size() + k];
            if (slot.bellUnits > 0) {
                clear();
                RingBell(slot, outLeft, outRight, frames, volume);
            }
            if (plan.kind == ToneKind::Off) continue;
            if (plan.silent) {
                slot.spinPhase =
                    std::fmod(slot.spinPhase + plan.middle.beat * frames / sampleRate_, 1.0);
                continue;
            }
            if (plan.kind == ToneKind::Binaural || plan.kind == ToneKind::Isochronic) {
                if (slot.voice) PlayVoice(slot, plan, group, outLeft, outRight, frames, written);
                continue;
            }
            const double* in = nullptr;
            if (!IsMixEffect(plan.kind)) {
                NoiseSource* noise = slot.noise[static_cast<int>(ColorOf(plan.kind))].get();
                if (noise == nullptr) continue;
                if (IsPlainNoise(plan.kind)) {
                    // At its level, added to both ears.
                    noise->Fill(group.noise.data(), frames, plan.level0, plan.step);
                    AddToBoth(outLeft, outRight, group.noise.data(), frames, written);
                    continue;
                }
                noise->Fill(group.noise.data(), frames);
                in = group.noise.data();
            }
            clear();
            MixEffect(slot, plan, in, outLeft, outRight, frames);
        }
        clear();
        // The first group ends with the second's sum, while the piece is at hand.
        if (groupIndex == 0 && !groups_[1].slots.empty()) {
            const double* secondLeft = bank.secondLeft.data() + piece.offset;
            const double* secondRight = bank.secondRight.data() + piece.offset;
            for (int i = 0; i < frames; ++i) {
                outLeft[i] += secondLeft[i];
                outRight[i] += secondRight[i];
            }
        }
    }
}

void SessionPlayer::PlayVoice(Slot& slot, const Plan& plan, Group& group, double* left,
                              double* right, int frames, bool& written) {
    double* voiceLeft = group.voiceLeft.data();
    double* voiceRight = group.voiceRight.data();
    if (plan.kind == ToneKind::Binaural) {
        slot.voice->Set(plan.middle.carrier, plan.middle.beat, plan.wave);
        slot.voice->Render(voiceLeft, voiceRight, frames);
        if (plan.leftBoost != 1.0 || plan.rightBoost != 1.0) {
            for (int i = 0; i < frames; ++i) {
                voiceLeft[i] *= plan.leftBoost;
                voiceRight[i] *= plan.rightBoost;
            }
        }
        AddRamped(left, right, voiceLeft, voiceRight, plan.level0, plan.step, frames, written);
        return;
    }
    // A pulse: most of its cycle is silent, and there its tone is rendered
    // only as far as needed to keep its phase: whole cycles of it are left
    // out, the rest rendered and dropped, so it sounds in each pulse as if
    // it had run on.
    const PulseShape& pulse = Pulse(plan.wave);
    const double pulseStep = plan.middle.beat / sampleRate_;
    const double phase = slot.pulsePhase;
    const double end = phase + pulseStep * frames;
    // Phases are not negative: truncation takes whole cycles off.
    const auto wrap = [](double x) {
        return x - static_cast<double>(static_cast<std::int64_t>(x));
    };
    slot.pulsePhase = wrap(end);
    if (pulse.SilentBetween(phase, end)) {
        slot.silentFrames += frames;
        return;
    }
    // Each frame's phase from the piece's start, so that no frame waits for
    // the one before.
    std::array<double, kBlock> gain;
    for (int i = 0; i < frames; ++i)
        gain[static_cast<std::size_t>(i)] = pulse.At(wrap(phase + pulseStep * i));
    int first = 0, last = frames - 1;
    while (first < frames && gain[static_cast<std::size_t>(first)] == 0.0)
        ++first;
    while (last > first && gain[static_cast<std::size_t>(last)] == 0.0)
        --last;
    for (int i = first; i <= last; ++i)
        gain[static_cast<std::size_t>(i)] *= plan.level0 + plan.step * (i + 1);
    if (first == frames) {
        slot.silentFrames += frames;
        return;
    }
    const int count = last + 1 - first;
    slot.voice->Set(plan.middle.carrier, 0.0, plan.wave);
    slot.silentFrames += first;
    CatchUp(slot, group, plan.middle.carrier);
    slot.voice->Render(voiceLeft + first, voiceRight + first, count);
    slot.silentFrames = frames - 1 - last;
    // The tone alike in both ears: the left channel serves.
    Scale(voiceLeft + first, gain.data() + first, count);
    if (!written) {
        std::fill(left, left + frames, 0.0);
        std::fill(right, right + frames, 0.0);
        written = true;
    }
    AddToBoth(left + first, right + first, voiceLeft + first, count, written);
}

void SessionPlayer::CatchUp(Slot& slot, Group& group, double carrier) {
    // The instrument plays its carrier to a tenth of a hertz.
    const double cyclesPerFrame =
        static_cast<double>(std::lround(carrier * 10.0)) / 10.0 / sampleRate_;
    const int silent = slot.silentFrames;
    slot.silentFrames = 0;
    int skip = 0;
    if (cyclesPerFrame > 0.0) {
        const double whole = std::floor(slot.skippedCycles + silent * cyclesPerFrame);
        skip = static_cast<int>(std::lround((whole - slot.skippedCycles) / cyclesPerFrame));
        skip = std::clamp(skip, 0, silent);
        slot.skippedCycles += skip * cyclesPerFrame;
        slot.skippedCycles -= std::round(slot.skippedCycles);
    }
    for (int rest = silent - skip; rest > 0;) {
        const int count = std::min(rest, kBlock);
        slot.voice->Render(group.voiceLeft.data(), group.voiceRight.data(), count);
        rest -= count;
    }
}

void SessionPlayer::RingBell(Slot& slot, double* left, double* right, int frames,
                             double volume) const {
    const double glide = 1.0 - std::exp(-1.0 / (kBellGlideSeconds * sampleRate_));
    const double perUnit = volume / kBellUnits;
    for (int i = 0; i < frames && slot.bellUnits > 0; ++i) {
        slot.bellPhase = (slot.bellPhase + slot.bellStep) & kBellPhaseMask;
        slot.bellLevel += (slot.bellUnits * perUnit - slot.bellLevel) * glide;
        const double value =
            slot.bellLevel * std::sin(kTwoPi * slot.bellPhase / (kBellPhaseMask + 1.0));
        left[i] += value;
        right[i] += value;
        if (--slot.bellCount < 0) {
            slot.bellCount = sampleRate_ / 20;
            slot.bellUnits -= 1 + slot.bellUnits / 12;
        }
    }
    if (slot.bellUnits <= 0) slot.bellLevel = 0.0;
}

// The effects: spins and pulses of noise and of the mix, and the mix itself,
// each at its level over the piece; `in` is the slot's noise, or null for
// the mix.
void SessionPlayer::MixEffect(Slot& slot, const Plan& plan, const double* in, double* left,
                              double* right, int frames) {
    const ToneSpec& middle = plan.middle;
    const double* inLeft = in;
    const double* inRight = in;
    if (in == nullptr) {
        if (!mixRead_) return;
        inLeft = mixLeft_.data();
        inRight = mixRight_.data();
    }
    std::array<double, kBlock> gain;
    Ramp(gain.data(), plan.level0, plan.step, frames);
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
            const double mixLevel = plan.mixLevel0 + plan.mixStep * (i + 1);
            left[i] += mixLevel * (gainLeft - 1.0) * inLeft[i];
            right[i] += mixLevel * (gainRight - 1.0) * inRight[i];
        } else {
            left[i] += gainLeft * inLeft[i];
            right[i] += gainRight * inRight[i];
        }
    }
}

} // namespace tonewell::session
