// The audio side of the concurrency stress tests: blocks of stereo audio on a
// playing transport, each with a random parameter change, program change or
// note, processed without a pause until told to stop.
#pragma once

#include <atomic>

#include "CLS_TONEWELL.h"
#include "NoteEventList.h"
#include "ParameterChangeList.h"

class StressAudioThread {
public:
    static constexpr int kBlock = 256;

    // everyBlock, when not negative, is a parameter changed in every block
    // besides the random change, so that the values pushed to its controls
    // meet whatever the UI thread does to them.
    explicit StressAudioThread(CLS_TONEWELL& plug, int everyBlock = -1)
        : plug(plug), everyBlock(everyBlock) {}

    void Run(const std::atomic<bool>& stop);

    long Blocks() const { return blocks; }
    long NonFinite() const { return nonFinite; }

private:
    CLS_TONEWELL& plug;
    int everyBlock;
    tonewell::hostkit::ParameterChangeList changes;
    tonewell::hostkit::NoteEventList events;
    long blocks = 0;
    long nonFinite = 0;
};

// How long a stress test runs: TONEWELL_STRESS_SECONDS, else the default.
double StressSeconds(double byDefault = 2.0);
