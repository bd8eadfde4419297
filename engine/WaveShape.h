#pragma once

#include <cmath>

#include "EngineParam.h"
#include "WaveConstants.h"

// The four wave shapes of one oscillator sample, computed one at a time with
// the library's cos and sin: the reference every faster path is held to.

inline double LimitToUnit(double sample) {
    if (sample >= 1.0) return 1.0;
    if (sample < -1.0) return -1.0;
    return sample;
}

// The two parts of every cycle meet at breakPhase, 61.8 % of the period.
template <int Shape> inline double ShapeSample(double phase, const WaveConstants& k) {
    if constexpr (Shape == WaveSine || Shape == WaveSineHalf) {
        const double warped =
            phase < k.breakPhase ? phase * k.riseSlope : phase * k.fallSlope + k.fallOffset;
        // A cosine never leaves -1..1; the other shapes are limited to it.
        if constexpr (Shape == WaveSine)
            return std::cos(warped);
        else
            return LimitToUnit(2.0 * std::sin(warped) - 1.0);
    } else if constexpr (Shape == WaveTriangle) {
        return LimitToUnit(phase < k.breakPhase ? phase * k.riseSlope - 1.0
                                                : k.fallSlope - phase * k.fallOffset);
    } else {
        return k.breakPhase > phase ? 1.0 : -1.0;
    }
}
