#include "SbagenTimeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tonewell::session {

namespace {

constexpr double kDay = 86400.0;

// Pulsed tones, spins and the mix's effects glide from one setting to the
// next through any change that keeps them (same kind and waveform), as
// SBaGen+ moves them; binaural tones glide only where both sides ask.
bool Glides(ToneKind kind) {
    return kind == ToneKind::Isochronic || kind == ToneKind::Spin || kind == ToneKind::BrownSpin ||
           kind == ToneKind::WhiteSpin || kind == ToneKind::MixSpin || kind == ToneKind::MixPulse;
}

bool Continues(const ToneSpec& x, const ToneSpec& y, bool slide) {
    if (x.kind != y.kind || x.kind == ToneKind::Off || x.wave != y.wave ||
        x.customWave != y.customWave)
        return false;
    // Noise beds and the mix carry on whatever their level; tones and bells
    // carry on when they are the same, or slide when both sides ask.
    const bool plainBed = x.kind == ToneKind::Pink || x.kind == ToneKind::White ||
                          x.kind == ToneKind::Brown || x.kind == ToneKind::Mix;
    if (slide || plainBed || Glides(x.kind)) return true;
    return x.carrier == y.carrier && x.beat == y.beat && x.width == y.width;
}

double Lerp(double a, double b, double u) {
    return a + (b - a) * u;
}

} // namespace

std::string FormatClock(double seconds) {
    const long long whole = std::llround(std::floor(seconds));
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

SbagenTimeline::SbagenTimeline(const SbagenScript& script) : script_(script) {
    const auto& entries = script.Entries();
    const auto& sets = script.ToneSets();
    for (const auto& set : sets)
        slots_ = std::max(slots_, static_cast<int>(set.tones.size()));
    const double half = script.Options().fadeSeconds / 2.0;
    const bool ends = script.Options().endAtLast;
    const double inf = std::numeric_limits<double>::infinity();
    const std::size_t n = entries.size();

    // The sequence goes round the clock: the last tone-set leads into the
    // first, a day earlier. With -E too, so a session whose last tone-set
    // shares tones with its first starts with them already sounding. That
    // change round midnight is placed last, so where the first two time
    // lines crowd, the second one's change keeps its full width and the
    // first one's yields, as in SBaGen+.
    transitions_.resize(n);
    auto place = [&](std::size_t i, double previousEnd, double nextLimit) {
        const SequenceEntry& entry = entries[i];
        const SequenceEntry& before = i > 0 ? entries[i - 1] : entries.back();
        const double beforeAt = i > 0 ? entries[i - 1].seconds : entries.back().seconds - kDay;
        Transition& change = transitions_[i];
        change.at = entry.seconds;
        change.entry = static_cast<int>(i);
        change.from = before.toneSet;
        change.to = entry.toneSet;
        change.slide = before.fadeOut == '=' && entry.fadeIn == '=';
        change.fadeAll = before.fadeOut == '>' || entry.fadeIn == '<';
        if (before.slideToNext) {
            // A whole period of transition slides whatever can slide.
            change.arrow = true;
            change.slide = !change.fadeAll;
            change.start = std::max(beforeAt, previousEnd);
            change.end = entry.seconds;
        } else {
            change.start = std::max(entry.seconds - half, previousEnd);
            change.end = std::min(entry.seconds + half, nextLimit);
            if (entry.slideToNext) change.end = std::min(change.end, entry.seconds);
        }
        if (change.end < change.start) change.end = change.start;
        change.mid = (change.start + change.end) / 2.0;
    };
    for (std::size_t i = 1; i < n; ++i)
        place(i, i > 1 ? transitions_[i - 1].end : entries[0].seconds,
              i + 1 < n ? entries[i + 1].seconds : (ends ? inf : kDay));
    if (n > 0)
        place(0, n > 1 ? transitions_[n - 1].end - kDay : -inf,
              n > 1 ? transitions_[1].start : (ends ? inf : kDay));

    // A bell rings where SBaGen+ starts its tone-set's period: in the middle
    // of a cross-fade, at the end of a "->" transition. One before the start
    // is not heard.
    for (std::size_t i = 0; i < transitions_.size(); ++i) {
        const Transition& change = transitions_[i];
        const double at = change.arrow ? change.end : change.mid;
        if (at < 0.0) continue;
        const auto& tones = sets[static_cast<std::size_t>(change.to)].tones;
        for (std::size_t k = 0; k < tones.size(); ++k) {
            if (tones[k].kind != ToneKind::Bell) continue;
            bells_.push_back({at, static_cast<int>(k), tones[k]});
        }
    }
}

const ToneSpec& SbagenTimeline::SlotOf(int set, int slot) const {
    if (set < 0) return off_;
    const auto& tones = script_.ToneSets()[static_cast<std::size_t>(set)].tones;
    return slot < static_cast<int>(tones.size()) ? tones[static_cast<std::size_t>(slot)] : off_;
}

int SbagenTimeline::TransitionAt(double t) const {
    const auto it =
        std::upper_bound(transitions_.begin(), transitions_.end(), t,
                         [](double time, const Transition& c) { return time < c.start; });
    return static_cast<int>(it - transitions_.begin()) - 1;
}

ToneSpec SbagenTimeline::Interpolate(const ToneSpec& x, const ToneSpec& y, const Transition& change,
                                     double t) {
    const double span = change.end - change.start;
    const double u = span > 0.0 ? std::clamp((t - change.start) / span, 0.0, 1.0) : 1.0;
    if (!change.fadeAll && Continues(x, y, change.slide)) {
        // What carries on without sliding changes its other settings at the middle.
        const bool glide = change.slide || Glides(x.kind);
        ToneSpec out = glide || t >= change.mid ? y : x;
        out.amp = Lerp(x.amp, y.amp, u);
        if (glide) {
            out.carrier = Lerp(x.carrier, y.carrier, u);
            out.beat = Lerp(x.beat, y.beat, u);
            out.width = Lerp(x.width, y.width, u);
        }
        return out;
    }
    if (change.arrow && !change.fadeAll && (x.kind == ToneKind::Off || y.kind == ToneKind::Off)) {
        ToneSpec out = x.kind == ToneKind::Off ? y : x;
        out.amp = x.kind == ToneKind::Off ? y.amp * u : x.amp * (1.0 - u);
        return out;
    }
    if (t < change.mid) {
        ToneSpec out = x;
        const double first = change.mid - change.start;
        out.amp = first > 0.0 ? x.amp * std::clamp((change.mid - t) / first, 0.0, 1.0) : 0.0;
        return out;
    }
    ToneSpec out = y;
    const double second = change.end - change.mid;
    out.amp = second > 0.0 ? y.amp * std::clamp((t - change.mid) / second, 0.0, 1.0) : y.amp;
    return out;
}

ToneSpec SbagenTimeline::SlotAt(int slot, double t) const {
    const int index = TransitionAt(t);
    if (index < 0) {
        if (transitions_.empty()) return off_;
        ToneSpec out = SlotOf(transitions_[0].from, slot);
        return out;
    }
    const Transition& change = transitions_[static_cast<std::size_t>(index)];
    const ToneSpec& x = SlotOf(change.from, slot);
    const ToneSpec& y = SlotOf(change.to, slot);
    if (t >= change.end) return y;
    ToneSpec out = Interpolate(x, y, change, t);
    if (out.kind == ToneKind::Bell) out.amp = 0.0;
    return out;
}

double SbagenTimeline::NextBreak(double t) const {
    const int index = TransitionAt(t);
    const std::size_t next = static_cast<std::size_t>(index + 1);
    if (index >= 0) {
        const Transition& change = transitions_[static_cast<std::size_t>(index)];
        if (t < change.mid) return change.mid;
        if (t < change.end) return change.end;
    }
    return next < transitions_.size() ? transitions_[next].start
                                      : std::numeric_limits<double>::infinity();
}

std::string SbagenTimeline::ToneSetAt(double t) const {
    const int index = TransitionAt(t);
    if (index < 0) {
        if (transitions_.empty() || transitions_[0].from < 0) return "-";
        return script_.ToneSets()[static_cast<std::size_t>(transitions_[0].from)].name;
    }
    const int set = transitions_[static_cast<std::size_t>(index)].to;
    return script_.ToneSets()[static_cast<std::size_t>(set)].name;
}

std::string SbagenTimeline::Listing(double length) const {
    std::string out;
    char line[256];
    auto describe = [&](double t) {
        std::string text;
        for (int k = 0; k < slots_; ++k) {
            const ToneSpec toneSpec = SlotAt(k, t);
            if (toneSpec.kind == ToneKind::Off) continue;
            if (!text.empty()) text += "  ";
            text += toneSpec.Describe();
            if (toneSpec.kind == ToneKind::Binaural && toneSpec.beat != 0.0) {
                std::snprintf(line, sizeof line, " (L %.3f R %.3f Hz)",
                              toneSpec.carrier + toneSpec.beat / 2.0,
                              toneSpec.carrier - toneSpec.beat / 2.0);
                text += line;
            }
        }
        return text.empty() ? std::string("silence") : text;
    };
    std::snprintf(line, sizeof line, "length %s\n", FormatClock(length).c_str());
    out += line;
    for (const auto& change : transitions_) {
        if (change.at >= length && change.start >= length) break;
        const auto& to = script_.ToneSets()[static_cast<std::size_t>(change.to)];
        std::snprintf(line, sizeof line, "%s  %s", FormatClock(change.at).c_str(), to.name.c_str());
        out += line;
        if (change.end > std::max(change.start, 0.0)) {
            std::snprintf(line, sizeof line, "  (%s %s to %s)",
                          change.slide     ? "slide"
                          : change.fadeAll ? "through silence"
                                           : "fade",
                          FormatClock(std::max(0.0, change.start)).c_str(),
                          FormatClock(change.end).c_str());
            out += line;
        }
        out += "\n";
        out += "          " + describe(std::min(std::max(change.end, 0.0), length)) + "\n";
    }
    return out;
}

} // namespace tonewell::session
