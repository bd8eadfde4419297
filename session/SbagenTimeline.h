#pragma once

#include <string>
#include <vector>

#include "SbagenScript.h"

namespace tonewell::session {

// A change from one tone-set to the next: before `start` the old set plays,
// after `end` the new one; in between each slot slides, or fades out until
// `mid` and in after it.
struct Transition {
    double at = 0.0; // the time line's own time
    double start = 0.0;
    double mid = 0.0;
    double end = 0.0;
    int from = -1; // tone-set index; -1 for silence before the session
    int to = -1;
    int entry = 0;
    bool slide = false;   // both sides asked for '='
    bool fadeAll = false; // '<' or '>': through silence
    bool arrow = false;   // "->": the whole period is the transition
};

// The resolved timeline of an SBaGen session: where every slot's tone is, at
// any time, as SBaGen+ moves between tone-sets (one-minute cross-fades centred
// on each change, shortened where changes crowd, whole periods with "->").
class SbagenTimeline {
public:
    explicit SbagenTimeline(const SbagenScript& script);

    const SbagenScript& Script() const { return script_; }
    const std::vector<Transition>& Transitions() const { return transitions_; }
    int Slots() const { return slots_; }

    // The tone of one slot at time t (seconds from the start), its amp the
    // level it has then (0 while silent).
    ToneSpec SlotAt(int slot, double t) const;
    // Index of the transition in force at t: the last one starting at or before t.
    int TransitionAt(double t) const;
    // The next time after t where some slot's line changes direction.
    double NextBreak(double t) const;
    // Name of the tone-set playing at t (the incoming one once a change began).
    std::string ToneSetAt(double t) const;
    // Times at which bells ring and the slots they ring in.
    struct Bell {
        double at;
        int slot;
        ToneSpec toneSpec;
    };
    const std::vector<Bell>& Bells() const { return bells_; }

    // Times, tone-sets and each voice's frequencies and levels, for people.
    std::string Listing(double length) const;

private:
    static ToneSpec Interpolate(const ToneSpec& x, const ToneSpec& y, const Transition& change,
                                double t);
    const ToneSpec& SlotOf(int set, int slot) const;

    const SbagenScript& script_;
    std::vector<Transition> transitions_;
    std::vector<Bell> bells_;
    int slots_ = 0;
    ToneSpec off_;
};

std::string FormatClock(double seconds);

} // namespace tonewell::session
