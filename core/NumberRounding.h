#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Rounds half away from zero and converts to a 32-bit integer. Values outside
// the integer range saturate and NaN gives 0, so a hostile value can never
// reach an undefined float-to-int conversion.
inline int32_t RoundHalfAwayToInt(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = value >= 0.0 ? value + 0.5 : value - 0.5;
    if (rounded >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (rounded <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

// The same rounding for a non-negative count; negative values and NaN give 0.
inline uint32_t RoundHalfAwayToUnsigned(double value) {
    if (!(value > 0.0)) return 0;
    const double rounded = value + 0.5;
    if (rounded >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(rounded);
}

// Single-precision rounding half away from zero, kept in float.
inline float RoundHalfAwayFloat(float value) {
    return value >= 0.0f ? std::trunc(value + 0.5f) : std::trunc(value - 0.5f);
}
