#pragma once

#include <atomic>
#include <cstdint>

namespace tonewell::standalone {

// What the window's bar does to the sound after the instrument: the master
// volume (a gain of at most 1, so the bar never plays louder than the
// instrument itself), the sleep timer that fades the sound out and leaves
// it silent, and the channel check, a short tone in the left ear and then in
// the right in place of the instrument. Apply runs on the audio thread and
// neither allocates nor locks; the other members are safe from any thread.
class ListenerStage {
public:
    static constexpr double kSleepFadeSeconds = 10.0;
    static constexpr double kCheckToneSeconds = 0.6;
    static constexpr double kCheckGapSeconds = 0.2;
    static constexpr double kCheckHz = 440.0;
    static constexpr float kCheckLevel = 0.25f;

    explicit ListenerStage(int sampleRate);

    // 0 (silent) to 1 (the instrument's own level); changes glide over a
    // block, so that a slider moved fast never clicks.
    void SetVolume(float gain);
    float Volume() const { return volume_.load(std::memory_order_relaxed); }

    // Starts the sleep timer: the sound fades out over the last ten seconds
    // (the second half of a shorter timer) of `seconds` from the next block
    // on, then stays silent until Wake. 0 or less turns the timer off.
    void SetSleep(double seconds);
    // Seconds left until the sound is gone; negative while no timer runs.
    double SleepRemaining() const;
    // The timer ran out: the stage is silent until Wake.
    bool Asleep() const { return asleep_.load(std::memory_order_acquire); }
    // Sound again from the next block on, the timer off.
    void Wake() {
        wakeRequested_.store(true, std::memory_order_release);
        asleep_.store(false, std::memory_order_release);
    }

    // Plays the check from the next block on, starting over if it plays.
    void StartChannelCheck() { checkRequested_.store(true, std::memory_order_release); }
    bool CheckingChannels() const { return checking_.load(std::memory_order_relaxed); }

    // Audio thread: both channels of one buffer, in place.
    void Apply(float* left, float* right, int frames);

    // Counts in frames of `sampleRate` from now on, the sleep timer's time
    // left kept; only while no stream calls Apply.
    void SetSampleRate(int sampleRate);

private:
    // Gain of the instrument's sound at the check's frame `k`: it fades out
    // before the tones and back in after them.
    float CheckDuck(std::int64_t k) const;
    // The check's tone at its frame `k` for the left and the right ear.
    void CheckTone(std::int64_t k, float& left, float& right) const;
    float SleepGain(std::int64_t frame) const;

    int sampleRate_ = 0;
    std::int64_t toneFrames_ = 0;
    std::int64_t gapFrames_ = 0;
    std::int64_t edgeFrames_ = 1;
    double checkStep_ = 0.0;

    // Audio thread only.
    float gain_ = 1.f;
    std::int64_t elapsed_ = 0;
    std::int64_t sleepEnd_ = -1;
    std::int64_t sleepFade_ = 0;
    std::int64_t checkFrame_ = -1;
    bool silent_ = false;

    std::atomic<float> volume_{1.f};
    // Frames of a sleep timer to start: -1 none asked, 0 off.
    std::atomic<std::int64_t> sleepRequest_{-1};
    std::atomic<std::int64_t> sleepLeft_{-1};
    std::atomic<bool> asleep_{false};
    std::atomic<bool> wakeRequested_{false};
    std::atomic<bool> checkRequested_{false};
    std::atomic<bool> checking_{false};
};

} // namespace tonewell::standalone
