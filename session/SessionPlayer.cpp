#include "SessionPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "SessionError.h"

namespace tonewell::session {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Level swing of a spin per microsecond of width, and its limit.
constexpr double kSpinSwingPerMicrosecond = 0.00058;
constexpr double kSpinMaxGain = 1.41421356;
// A bell holds its strike for 50 ms, then dies away with a time constant of 0.57 s.
constexpr double kBellHoldSeconds = 0.05;
constexpr double kBellSeconds = 0.57;
constexpr double kBellPhaseStep = 0.14; // cycles between the strikes of neighbouring slots

// An isochronic pulse: sound for 40 % of each cycle, rising and falling
// smoothly (no click), silent for the rest.
class PulseShape {
public:
    PulseShape() {
        for (std::size_t i = 0; i <= kSize; ++i) {
            const double phase = static_cast<double>(i) / kSize;
            double value = 0.0;
            if (phase > kStart && phase < kStart + kOn) {
                const double x = std::min(phase - kStart, kStart + kOn - phase) / (kOn / 2.0);
                value = 1.0 - std::pow(1.0 - std::pow(x, 1.5), 3.8);
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
    // Sound from 5 % to 45 % of the cycle, centred where a sine would peak.
    static constexpr double kStart = 0.05;
    static constexpr double kOn = 0.4;
    std::array<double, kSize + 1> table_{};
};

const PulseShape& Pulse() {
    static const PulseShape shape;
    return shape;
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
};

SessionPlayer::SessionPlayer(const SbagenTimeline& timeline, int sampleRate, VoiceFactory& voices,
                             MixSource* mix)
    : timeline_(timeline), sampleRate_(sampleRate), mix_(mix), scratchLeft_(kBlock),
      scratchRight_(kBlock), mixLeft_(kBlock), mixRight_(kBlock) {
    const double nyquist = sampleRate / 2.0;
    const auto& script = timeline.Script();
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
            if (tone.IsTone() && !slot.voice) slot.voice = voices.Create(sampleRate, kBlock);
            if (!tone.IsNoise()) continue;
            auto& source = slot.noise[static_cast<int>(ColorOf(tone.kind))];
            if (!source)
                source =
                    std::make_unique<NoiseSource>(ColorOf(tone.kind), sampleRate,
                                                  0x2545F491u * static_cast<std::uint32_t>(k + 1));
        }
    }
}

SessionPlayer::~SessionPlayer() = default;

void SessionPlayer::SkipTo(std::int64_t frame) {
    position_ = std::max<std::int64_t>(frame, 0);
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
    int done = 0;
    while (done < frames) {
        int count = std::min(frames - done, kBlock);
        // A piece ends where some slot's line turns or a bell rings, so every
        // level within a piece is one straight line.
        const double t0 = static_cast<double>(position_) / sampleRate_;
        double breakAt = timeline_.NextBreak(t0);
        const auto& bells = timeline_.Bells();
        while (nextBell_ < bells.size() && bells[nextBell_].at * sampleRate_ < position_ - 0.5)
            ++nextBell_;
        if (nextBell_ < bells.size()) breakAt = std::min(breakAt, bells[nextBell_].at);
        if (std::isfinite(breakAt)) {
            const auto frame = static_cast<std::int64_t>(std::ceil(breakAt * sampleRate_ - 1e-6));
            if (frame > position_ && frame - position_ < count)
                count = static_cast<int>(frame - position_);
        }
        RenderPiece(left + done, right + done, count);
        done += count;
    }
}

void SessionPlayer::RenderPiece(double* left, double* right, int frames) {
    std::fill(left, left + frames, 0.0);
    std::fill(right, right + frames, 0.0);
    const double t0 = static_cast<double>(position_) / sampleRate_;
    const double t1 = static_cast<double>(position_ + frames) / sampleRate_;
    // Bells that ring from this piece on.
    const auto& bells = timeline_.Bells();
    while (nextBell_ < bells.size() && bells[nextBell_].at * sampleRate_ <= position_ + 0.5) {
        const auto& bell = bells[nextBell_++];
        if (bell.slot >= static_cast<int>(slots_.size())) continue;
        Slot& slot = *slots_[static_cast<std::size_t>(bell.slot)];
        slot.bellLevel = bell.spec.amp * timeline_.Script().Options().volume;
        slot.bellHold = static_cast<int>(kBellHoldSeconds * sampleRate_);
        // Each slot strikes at a phase of its own, so bells of one pitch in
        // several slots add up about as SBaGen+'s do rather than all in phase.
        slot.bellPhase = kTwoPi * std::fmod(kBellPhaseStep * bell.slot, 1.0);
        slot.bellIncrement = kTwoPi * bell.spec.carrier / sampleRate_;
    }
    mixRead_ = false;
    if (mix_ != nullptr) {
        mix_->Read(mixLeft_.data(), mixRight_.data(), frames);
        mixRead_ = true;
    }
    for (std::size_t i = 0; i < slots_.size(); ++i)
        RenderSlot(*slots_[i], static_cast<int>(i), t0, t1, left, right, frames);
    position_ += frames;
}

void SessionPlayer::RenderSlot(Slot& slot, int index, double t0, double t1, double* left,
                               double* right, int frames) {
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
        const double compensation = Compensation(middle.carrier) * shape;
        level0 *= compensation;
        level1 *= compensation;
    }
    const double step = (level1 - level0) / frames;
    if (level0 <= 0.0 && level1 <= 0.0 && start.kind != ToneKind::Isochronic &&
        start.kind != ToneKind::MixPulse) {
        // Silent: only keep the spin's clock running.
        slot.spinPhase = std::fmod(slot.spinPhase + middle.beat * frames / sampleRate_, 1.0);
        return;
    }
    const Waveform wave =
        middle.wave == Waveform::Default ? timeline_.Script().Options().wave : middle.wave;

    switch (start.kind) {
    case ToneKind::Binaural:
    case ToneKind::Isochronic: {
        if (!slot.voice) return;
        const bool pulsed = start.kind == ToneKind::Isochronic;
        slot.voice->Set(middle.carrier, pulsed ? 0.0 : middle.beat, wave);
        slot.voice->Render(scratchLeft_.data(), scratchRight_.data(), frames);
        const double pulseStep = pulsed ? middle.beat / sampleRate_ : 0.0;
        for (int i = 0; i < frames; ++i) {
            double gain = level0 + step * (i + 1);
            if (pulsed) {
                gain *= Pulse().At(slot.pulsePhase);
                slot.pulsePhase += pulseStep;
                if (slot.pulsePhase >= 1.0) slot.pulsePhase -= 1.0;
            }
            left[i] += gain * scratchLeft_[i];
            right[i] += gain * scratchRight_[i];
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

    const bool spins = start.kind == ToneKind::Spin || start.kind == ToneKind::BrownSpin ||
                       start.kind == ToneKind::WhiteSpin || start.kind == ToneKind::MixSpin;
    const double swing = kSpinSwingPerMicrosecond * middle.width;
    const double spinStep = middle.beat / sampleRate_;
    const bool fromMix = start.kind == ToneKind::Mix || start.kind == ToneKind::MixSpin ||
                         start.kind == ToneKind::MixPulse;
    NoiseSource* noise =
        fromMix ? nullptr : slot.noise[static_cast<int>(ColorOf(start.kind))].get();
    if (!fromMix && noise == nullptr) return;
    for (int i = 0; i < frames; ++i) {
        const double gain = level0 + step * (i + 1);
        double inLeft = 0.0;
        double inRight = 0.0;
        if (noise != nullptr) {
            inLeft = inRight = noise->Next();
        } else {
            inLeft = mixLeft_[static_cast<std::size_t>(i)];
            inRight = mixRight_[static_cast<std::size_t>(i)];
        }
        double gainLeft = gain;
        double gainRight = gain;
        if (spins) {
            const double d = swing * std::sin(kTwoPi * slot.spinPhase);
            slot.spinPhase += spinStep;
            if (slot.spinPhase >= 1.0) slot.spinPhase -= 1.0;
            if (slot.spinPhase < 0.0) slot.spinPhase += 1.0;
            const double towardLeft = std::clamp(1.0 - d, 0.0, kSpinMaxGain);
            const double towardRight = std::clamp(1.0 + d, 0.0, kSpinMaxGain);
            if (start.kind == ToneKind::MixSpin) {
                // An effect on the mix: its intensity blends the swing in.
                gainLeft = 1.0 + gain * (towardLeft - 1.0);
                gainRight = 1.0 + gain * (towardRight - 1.0);
            } else {
                gainLeft *= towardLeft;
                gainRight *= towardRight;
            }
        } else if (start.kind == ToneKind::MixPulse) {
            const double pulse = Pulse().At(slot.pulsePhase);
            slot.pulsePhase += middle.beat / sampleRate_;
            if (slot.pulsePhase >= 1.0) slot.pulsePhase -= 1.0;
            gainLeft = gainRight = 1.0 - gain * (1.0 - pulse);
        }
        if (start.kind == ToneKind::MixSpin || start.kind == ToneKind::MixPulse) {
            // Effects reshape the mix already in the output rather than add to it.
            left[i] += (gainLeft - 1.0) * inLeft;
            right[i] += (gainRight - 1.0) * inRight;
        } else {
            left[i] += gainLeft * inLeft;
            right[i] += gainRight * inRight;
        }
    }
}

} // namespace tonewell::session
