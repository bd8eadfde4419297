#pragma once

#include <cstdint>

// The host's timeline as the engine may want it, read from the last process
// context the host supplied.
struct HostTimeInfo {
    int64_t samplePosition = 0;
    double musicalPosition = 0.0; // quarter notes
    double tempo = 120.0;
    double barStartPosition = 0.0;
    double cycleStart = 0.0;
    double cycleEnd = 0.0;
    int timeSigNumerator = 4;
    int timeSigDenominator = 4;
    bool transportRunning = false;
    bool loopEnabled = false;
};
