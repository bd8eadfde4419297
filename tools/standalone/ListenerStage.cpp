#include "ListenerStage.h"

#include <algorithm>
#include <cmath>

namespace tonewell::standalone {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The edges of the check's tones and of the instrument's pause around them.
constexpr double kEdgeSeconds = 0.01;

// Raised cosine from 0 at k = 0 up to 1 at k = length.
float Rise(std::int64_t k, std::int64_t length) {
    if (k <= 0) return 0.f;
    if (k >= length) return 1.f;
    return static_cast<float>(
        0.5 - 0.5 * std::cos(kPi * static_cast<double>(k) / static_cast<double>(length)));
}

} // namespace

ListenerStage::ListenerStage(int sampleRate) {
    SetSampleRate(sampleRate);
}

void ListenerStage::SetSampleRate(int sampleRate) {
    const int rate = std::max(sampleRate, 1);
    if (sampleRate_ > 0 && rate != sampleRate_) {
        const double ratio = static_cast<double>(rate) / sampleRate_;
        const auto scaled = [ratio](std::int64_t frames) {
            return frames < 0 ? frames : static_cast<std::int64_t>(std::llround(frames * ratio));
        };
        elapsed_ = scaled(elapsed_);
        sleepEnd_ = scaled(sleepEnd_);
        sleepFade_ = scaled(sleepFade_);
        const std::int64_t request = sleepRequest_.load(std::memory_order_relaxed);
        if (request > 0) sleepRequest_.store(std::max<std::int64_t>(scaled(request), 1));
        sleepLeft_.store(scaled(sleepLeft_.load(std::memory_order_relaxed)),
                         std::memory_order_relaxed);
        // A check under way ends; the user may start it again.
        checkFrame_ = -1;
        checking_.store(false, std::memory_order_relaxed);
    }
    sampleRate_ = rate;
    toneFrames_ = std::llround(kCheckToneSeconds * sampleRate_);
    gapFrames_ = std::llround(kCheckGapSeconds * sampleRate_);
    edgeFrames_ = std::max<std::int64_t>(std::llround(kEdgeSeconds * sampleRate_), 1);
    checkStep_ = 2.0 * kPi * kCheckHz / sampleRate_;
}

void ListenerStage::SetVolume(float gain) {
    // NaN goes to silence, like anything below 0.
    volume_.store(gain >= 0.f ? std::min(gain, 1.f) : 0.f, std::memory_order_relaxed);
}

void ListenerStage::SetSleep(double seconds) {
    const std::int64_t frames = seconds > 0.0 ? std::llround(seconds * sampleRate_) : 0;
    sleepRequest_.store(std::max<std::int64_t>(frames, seconds > 0.0 ? 1 : 0),
                        std::memory_order_release);
}

double ListenerStage::SleepRemaining() const {
    const std::int64_t left = sleepLeft_.load(std::memory_order_relaxed);
    return left < 0 ? -1.0 : static_cast<double>(left) / sampleRate_;
}

float ListenerStage::SleepGain(std::int64_t frame) const {
    if (silent_) return 0.f;
    if (sleepEnd_ < 0) return 1.f;
    return Rise(sleepEnd_ - frame, sleepFade_);
}

float ListenerStage::CheckDuck(std::int64_t k) const {
    const std::int64_t end = 2 * edgeFrames_ + 2 * toneFrames_ + gapFrames_;
    return std::max(Rise(edgeFrames_ - k, edgeFrames_), Rise(k - end, edgeFrames_));
}

void ListenerStage::CheckTone(std::int64_t k, float& left, float& right) const {
    // The instrument is faded out first; then the left tone, the gap, the right tone.
    const std::int64_t leftStart = edgeFrames_;
    const std::int64_t rightStart = leftStart + toneFrames_ + gapFrames_;
    const auto envelope = [this](std::int64_t t) {
        if (t < 0 || t >= toneFrames_) return 0.f;
        return std::min(Rise(t, edgeFrames_), Rise(toneFrames_ - t, edgeFrames_));
    };
    const float sine = static_cast<float>(std::sin(checkStep_ * static_cast<double>(k)));
    left = kCheckLevel * envelope(k - leftStart) * sine;
    right = kCheckLevel * envelope(k - rightStart) * sine;
}

void ListenerStage::Apply(float* left, float* right, int frames) {
    if (wakeRequested_.exchange(false, std::memory_order_acquire)) {
        silent_ = false;
        sleepEnd_ = -1;
        asleep_.store(false, std::memory_order_release);
    }
    if (const std::int64_t request = sleepRequest_.exchange(-1, std::memory_order_acquire);
        request >= 0) {
        sleepEnd_ = request > 0 ? elapsed_ + request : -1;
        // A timer shorter than twice the fade fades over its second half.
        sleepFade_ =
            std::min<std::int64_t>(std::llround(kSleepFadeSeconds * sampleRate_), request / 2);
        sleepFade_ = std::max<std::int64_t>(sleepFade_, 1);
        silent_ = false;
        asleep_.store(false, std::memory_order_release);
    }
    if (checkRequested_.exchange(false, std::memory_order_acquire)) checkFrame_ = 0;
    const std::int64_t checkLength = 2 * edgeFrames_ + 2 * toneFrames_ + gapFrames_ + edgeFrames_;

    const float target = volume_.load(std::memory_order_relaxed);
    const float start = gain_;
    for (int i = 0; i < frames; ++i) {
        const float volume = start + (target - start) * static_cast<float>(i + 1) / frames;
        float gain = volume * SleepGain(elapsed_ + i);
        float toneLeft = 0.f, toneRight = 0.f;
        if (checkFrame_ >= 0) {
            CheckTone(checkFrame_, toneLeft, toneRight);
            gain *= CheckDuck(checkFrame_);
            if (++checkFrame_ >= checkLength) checkFrame_ = -1;
        }
        left[i] = left[i] * gain + toneLeft * volume;
        right[i] = right[i] * gain + toneRight * volume;
    }
    if (frames > 0) gain_ = target;
    elapsed_ += std::max(frames, 0);
    checking_.store(checkFrame_ >= 0, std::memory_order_relaxed);
    if (sleepEnd_ >= 0 && elapsed_ >= sleepEnd_) {
        sleepEnd_ = -1;
        silent_ = true;
        asleep_.store(true, std::memory_order_release);
    }
    sleepLeft_.store(sleepEnd_ >= 0 ? sleepEnd_ - elapsed_ : -1, std::memory_order_relaxed);
}

} // namespace tonewell::standalone
