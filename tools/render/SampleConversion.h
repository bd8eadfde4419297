#pragma once

#include <cstdint>

namespace tonewell::render {

// Two channels of rendered doubles into interleaved file samples. Both first
// round each sample to float, as a 32-bit host would receive it.

// Interleaved floats.
void InterleaveFloat(const double* left, const double* right, int frames, float* out);

// Interleaved 16-bit samples: the float scaled by 32768, rounded to nearest
// (ties to even), clipped to -32768..32767; NaN becomes 0.
void InterleavePcm16(const double* left, const double* right, int frames, std::int16_t* out);

// The larger of `peak` and the largest magnitude among the samples; NaN
// samples are passed over.
double PeakMagnitude(const double* samples, int count, double peak);

} // namespace tonewell::render
