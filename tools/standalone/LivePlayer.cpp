#include "LivePlayer.h"

#include <PluginInstance.h>
#include <RenderError.h>
#include <algorithm>
#include <cmath>

namespace tonewell::standalone {

namespace {

// Raised cosine from 1 down to 0 on the fade's last frame, `k` frames into a
// fade of `length` frames.
float FallingGain(std::int64_t k, std::int64_t length) {
    constexpr double kPi = 3.14159265358979323846;
    if (k >= length - 1) return 0.f;
    return static_cast<float>(
        0.5 + 0.5 * std::cos(kPi * static_cast<double>(k + 1) / static_cast<double>(length)));
}

// The hold's fade, short enough to be heard as a pause and not a slow dip,
// long enough that the ramp adds little to the tone's own steps.
constexpr double kHoldFadeSeconds = 0.01;

// The fade around a pause of a source: short, but long enough not to click.
constexpr double kPauseFadeSeconds = 0.01;

} // namespace

LivePlayer::LivePlayer(hostkit::PluginInstance& instance, ParameterChangeQueue& changes,
                       render::SessionAutomation automation, const Settings& settings)
    : instance_(instance), changes_(changes), automation_(std::move(automation)),
      settings_(settings), listener_(settings.sampleRate),
      done_(std::max<std::int64_t>(settings.startFrame, 0)) {
    if (done_ > 0) fadeInFrom_ = done_;
    position_.store(done_, std::memory_order_relaxed);
    settings_.maxBlock = std::max(settings_.maxBlock, 1);
    settings_.endFadeFrames = std::max<std::int64_t>(settings_.endFadeFrames, 1);
    settings_.stopFadeFrames = std::max<std::int64_t>(settings_.stopFadeFrames, 1);
}

void LivePlayer::TakeQueuedChanges() {
    auto& list = instance_.ParameterChanges();
    if (hasPending_) {
        if (!list.Add(pending_.id, pending_.normalized)) return;
        hasPending_ = false;
    }
    ParameterChangeQueue::Change change;
    while (changes_.Pop(change)) {
        if (!list.Add(change.id, change.normalized)) {
            pending_ = change;
            hasPending_ = true;
            return;
        }
    }
}

bool LivePlayer::AttachNotes(NoteQueue& notes) {
    for (auto& source : noteSources_) {
        if (source == nullptr) {
            source = &notes;
            return true;
        }
    }
    return false;
}

void LivePlayer::TakeQueuedNotes() {
    auto& events = instance_.Events();
    NoteQueue::Note note;
    for (NoteQueue* source : noteSources_) {
        // Notes that find the block's list full are dropped: a flood of them
        // must not grow a backlog that plays late.
        while (source != nullptr && source->Pop(note)) {
            if (note.on && note.velocity > 0.f)
                events.AddNoteOn(0, note.pitch, note.velocity);
            else
                events.AddNoteOff(0, note.pitch);
        }
    }
}

void LivePlayer::ApplyGain(float* const* outputs, int count) const {
    for (int i = 0; i < count; ++i) {
        const float gain = Gain(done_ + i, elapsed_ + i);
        outputs[0][i] *= gain;
        outputs[1][i] *= gain;
    }
}

float LivePlayer::Gain(std::int64_t position, std::int64_t elapsed) const {
    float gain = 1.f;
    const std::int64_t fade = settings_.endFadeFrames;
    if (settings_.totalFrames >= 0 && position >= settings_.totalFrames - fade)
        gain = FallingGain(position - (settings_.totalFrames - fade), fade);
    if (fadeInFrom_ >= 0 && position >= fadeInFrom_ && position < fadeInFrom_ + fade)
        gain = std::min(gain, 1.f - FallingGain(position - fadeInFrom_, fade));
    if (stopFadeStart_ >= 0)
        gain = std::min(gain, FallingGain(elapsed - stopFadeStart_, settings_.stopFadeFrames));
    return gain;
}

bool LivePlayer::Ended(std::int64_t stopEnd) const {
    if (stopEnd >= 0 && elapsed_ >= stopEnd) return true;
    return !settings_.loop && settings_.totalFrames >= 0 && done_ >= settings_.totalFrames;
}

void LivePlayer::Restart() {
    if (source_) source_->Rewind();
    automation_.Rewind();
    if (sessionNotes_) sessionNotes_->Rewind(instance_.Events());
    done_ = 0;
    fadeInFrom_ = 0;
    for (const auto& change : settings_.restartChanges)
        instance_.ParameterChanges().Add(change.id, change.normalized);
}

void LivePlayer::Retime(int sampleRate, render::SessionAutomation automation,
                        std::optional<render::NoteSchedule> notes) {
    const int rate = std::max(sampleRate, 1);
    const double ratio = static_cast<double>(rate) / settings_.sampleRate;
    const auto scaled = [ratio](std::int64_t frames) {
        return frames < 0 ? frames : static_cast<std::int64_t>(std::llround(frames * ratio));
    };
    settings_.sampleRate = rate;
    settings_.totalFrames = scaled(settings_.totalFrames);
    settings_.endFadeFrames = std::max<std::int64_t>(scaled(settings_.endFadeFrames), 1);
    settings_.stopFadeFrames = std::max<std::int64_t>(scaled(settings_.stopFadeFrames), 1);
    settings_.startFrame = scaled(settings_.startFrame);
    done_ = scaled(done_);
    if (settings_.totalFrames >= 0) done_ = std::min(done_, settings_.totalFrames);
    elapsed_ = scaled(elapsed_);
    fadeInFrom_ = scaled(fadeInFrom_);
    stopFadeStart_ = scaled(stopFadeStart_);
    automation_ = std::move(automation);
    sessionNotes_ = std::move(notes);
    listener_.SetSampleRate(rate);
    played_.store(elapsed_, std::memory_order_relaxed);
    position_.store(done_, std::memory_order_relaxed);
}

bool LivePlayer::RenderSource(float* const* outputs, int count, bool& advanced) {
    // What the user sends goes nowhere: the source sets every voice.
    ParameterChangeQueue::Change change;
    while (changes_.Pop(change)) {
    }
    NoteQueue::Note note;
    for (NoteQueue* notes : noteSources_)
        while (notes != nullptr && notes->Pop(note)) {
        }
    const bool playing = transport_.load(std::memory_order_relaxed);
    advanced = playing || sourceGain_ > 0.f;
    if (!advanced) {
        std::fill(outputs[0], outputs[0] + count, 0.f);
        std::fill(outputs[1], outputs[1] + count, 0.f);
        return true;
    }
    if (!source_->Render(outputs[0], outputs[1], count)) {
        std::fill(outputs[0], outputs[0] + count, 0.f);
        std::fill(outputs[1], outputs[1] + count, 0.f);
        return false;
    }
    const float step =
        1.f / static_cast<float>(
                  std::max(1.0, kPauseFadeSeconds * static_cast<double>(settings_.sampleRate)));
    for (int i = 0; i < count; ++i) {
        sourceGain_ =
            playing ? std::min(1.f, sourceGain_ + step) : std::max(0.f, sourceGain_ - step);
        outputs[0][i] *= sourceGain_;
        outputs[1][i] *= sourceGain_;
    }
    return true;
}

void LivePlayer::Render(float* left, float* right, int frames) {
    const bool hold = holdRequested_.load(std::memory_order_acquire);
    if (!hold) held_.store(false, std::memory_order_relaxed);
    if (hold && holdGain_ <= 0.f) {
        std::fill(left, left + frames, 0.f);
        std::fill(right, right + frames, 0.f);
        lastPeak_.store(0.f, std::memory_order_relaxed);
        held_.store(true, std::memory_order_release);
        return;
    }
    if (stopFadeStart_ < 0 && stopRequested_.load(std::memory_order_relaxed))
        stopFadeStart_ = elapsed_;
    const std::int64_t stopEnd =
        stopFadeStart_ >= 0 ? stopFadeStart_ + settings_.stopFadeFrames : -1;
    float peak = 0.f;
    int filled = 0;
    while (filled < frames && !Ended(stopEnd)) {
        if (settings_.loop && settings_.totalFrames > 0 && done_ >= settings_.totalFrames)
            Restart();
        // Blocks end where a session point falls, so that it takes effect on
        // its frame, and where the length or the stop fade ends.
        std::int64_t blockEnd = done_ + std::min(settings_.maxBlock, frames - filled);
        if (settings_.totalFrames >= 0) blockEnd = std::min(blockEnd, settings_.totalFrames);
        if (stopEnd >= 0) blockEnd = std::min(blockEnd, done_ + (stopEnd - elapsed_));
        for (const std::int64_t next :
             {automation_.NextFrame(done_), sessionNotes_ ? sessionNotes_->NextFrame() : -1}) {
            if (next > done_ && next < blockEnd) blockEnd = next;
        }
        const auto count = static_cast<int>(blockEnd - done_);

        float* outputs[2] = {left + filled, right + filled};
        if (source_) {
            bool advanced = true;
            if (!RenderSource(outputs, count, advanced))
                failures_.fetch_add(1, std::memory_order_relaxed);
            if (advanced) {
                ApplyGain(outputs, count);
                done_ += count;
            }
            elapsed_ += count;
            filled += count;
            continue;
        }
        instance_.SetPlaying(transport_.load(std::memory_order_relaxed));
        bool ok = true;
        // The session's lanes and notes go first: the lanes (one per
        // parameter) always fit the list and blocks end at every note, so
        // this never throws in practice; the user's changes and notes take
        // the room left.
        try {
            automation_.Fill(done_, count, instance_.ParameterChanges());
            if (sessionNotes_) sessionNotes_->Fill(done_, count, instance_.Events());
        } catch (const render::RenderError&) {
            ok = false;
        }
        TakeQueuedChanges();
        TakeQueuedNotes();
        if (instance_.Process(count, static_cast<const float* const*>(nullptr), outputs) !=
            Steinberg::kResultOk)
            ok = false;
        if (!ok) {
            failures_.fetch_add(1, std::memory_order_relaxed);
            std::fill(outputs[0], outputs[0] + count, 0.f);
            std::fill(outputs[1], outputs[1] + count, 0.f);
        }
        ApplyGain(outputs, count);
        done_ += count;
        elapsed_ += count;
        filled += count;
    }
    std::fill(left + filled, left + frames, 0.f);
    std::fill(right + filled, right + frames, 0.f);
    if (hold || holdGain_ < 1.f) {
        const float step =
            static_cast<float>(1.0 / (kHoldFadeSeconds * settings_.sampleRate)) * (hold ? -1 : 1);
        for (int i = 0; i < frames; ++i) {
            holdGain_ = std::clamp(holdGain_ + step, 0.f, 1.f);
            left[i] *= holdGain_;
            right[i] *= holdGain_;
        }
    }
    listener_.Apply(left, right, frames);
    for (int i = 0; i < frames; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    lastPeak_.store(peak, std::memory_order_relaxed);
    played_.store(elapsed_, std::memory_order_relaxed);
    position_.store(done_, std::memory_order_relaxed);
    if (Ended(stopEnd)) finished_.store(true, std::memory_order_release);
}

} // namespace tonewell::standalone
