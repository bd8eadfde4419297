// Whole-pixel arithmetic shared by the drawn controls. Layout values come
// from code but may be extreme; every result stays a valid integer and a NaN
// never reaches a pixel position.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "NumberRounding.h"

// Rounds to a whole pixel, half away from zero; saturates, and NaN gives 0.
inline int32_t RoundPixel(double v) {
    return RoundHalfAwayToInt(v);
}

// A wide sum brought back into the integer range.
inline int32_t SaturateInt(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Layout fields held in 16 bits keep the nearest representable value.
inline int16_t SaturateInt16(int v) {
    return static_cast<int16_t>(std::clamp<int>(v, std::numeric_limits<int16_t>::min(),
                                                std::numeric_limits<int16_t>::max()));
}

// A value as painting reads it: within 0..1, NaN as 0. Values are clamped
// when marked dirty but may be read before.
inline double UnitValue(double v) {
    return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
}
