#pragma once

#include <cstdint>
#include <string>

namespace tonewell::standalone {

// What the window's bar shows of the playing, worked out the same on every
// platform: the meter's step and the texts, in whole seconds, with what
// changed since the last look so that the bar redraws only that. The
// window looks at most kRefreshesPerSecond times a second.
class BarReadout {
public:
    static constexpr int kRefreshesPerSecond = 30;
    // The timer's period that keeps to that rate.
    static constexpr int kRefreshMs = (1000 + kRefreshesPerSecond - 1) / kRefreshesPerSecond;

    struct Playing {
        float peak = 0.f;
        // Where a session stands and its length, in frames; length -1 for
        // playing without an end.
        std::int64_t position = 0;
        std::int64_t length = -1;
        // A session plays: without a length its position shows alone.
        bool session = false;
        // Frames the stream has played, sounding or not.
        std::int64_t played = 0;
        // The transport plays (and no sleep timer has silenced it): the
        // frames since the last look count as time played.
        bool sounding = true;
        int sampleRate = 48000;
        std::uint64_t underruns = 0;
        // Seconds until the sleep timer ends the sound; negative for none.
        double sleepSeconds = -1.0;
    };

    // Bits of what Update found changed.
    enum Change : unsigned {
        kMeter = 1u << 0,
        kPosition = 1u << 1,
        kPlayed = 1u << 2,
        kUnderruns = 1u << 3,
        kSleep = 1u << 4,
    };

    // Everything counts as changed at the first Update.
    unsigned Update(const Playing& playing);

    // 0 to 100 over the last 60 dB, where tones are heard.
    int Meter() const { return meter_; }
    // "12:03 / 1:00:00"; "12:03" for a session without a length; empty
    // otherwise.
    const std::string& Position() const { return position_; }
    // "played 0:42": the time the transport played.
    const std::string& Played() const { return played_; }
    // "0 underruns".
    const std::string& Underruns() const { return underruns_; }
    // "sleep in 14:59", empty without a timer.
    const std::string& Sleep() const { return sleep_; }

    // h:mm:ss from an hour on, else m:ss; whole seconds, rounded down.
    static std::string Clock(double seconds);

private:
    bool first_ = true;
    std::int64_t lastPlayed_ = 0;
    std::int64_t listened_ = 0;
    int meter_ = 0;
    std::string position_;
    std::string played_;
    std::string underruns_;
    std::string sleep_;
};

} // namespace tonewell::standalone
