#include "BarReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tonewell::standalone {

namespace {

int MeterStep(float peak) {
    if (!(peak > 0.f)) return 0;
    const double value = (20.0 * std::log10(peak) + 60.0) / 60.0 * 100.0;
    return static_cast<int>(std::clamp(value, 0.0, 100.0));
}

template <typename Value> void Set(Value& shown, Value value, unsigned bit, unsigned& changed) {
    if (shown == value) return;
    shown = std::move(value);
    changed |= bit;
}

} // namespace

std::string BarReadout::Clock(double seconds) {
    const long long whole = seconds > 0.0 ? static_cast<long long>(std::floor(seconds)) : 0;
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

unsigned BarReadout::Update(const Playing& playing) {
    const double rate = playing.sampleRate > 0 ? playing.sampleRate : 1;
    unsigned changed = first_ ? ~0u : 0u;
    first_ = false;
    Set(meter_, MeterStep(playing.peak), kMeter, changed);
    Set(position_,
        playing.length > 0 ? Clock(static_cast<double>(playing.position) / rate) + " / " +
                                 Clock(static_cast<double>(playing.length) / rate)
        : playing.session ? Clock(static_cast<double>(playing.position) / rate)
                          : std::string(),
        kPosition, changed);
    if (playing.sounding && playing.played > lastPlayed_) listened_ += playing.played - lastPlayed_;
    lastPlayed_ = playing.played;
    Set(played_, "played " + Clock(static_cast<double>(listened_) / rate), kPlayed, changed);
    Set(underruns_,
        std::to_string(playing.underruns) + (playing.underruns == 1 ? " underrun" : " underruns"),
        kUnderruns, changed);
    // Rounded up: the last second shows "0:01", not "0:00", while sound remains.
    Set(sleep_,
        playing.sleepSeconds >= 0.0 ? "sleep in " + Clock(std::ceil(playing.sleepSeconds))
                                    : std::string(),
        kSleep, changed);
    return changed;
}

} // namespace tonewell::standalone
