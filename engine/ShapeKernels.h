#pragma once

#include "WaveConstants.h"

// Shape evaluation over a run of frames whose phases and gains are already
// known: the oscillators' samples, limited, scaled by the gain and added to
// the input. Several instruction sets compute it; all stay within 1e-12 of
// the library's cos and sin per sample, and Triangle and Square are exact.

// Ordered: a level can run everything below it.
enum class ShapeKernelLevel : int {
    Reference = 0, // one frame at a time with the library's cos and sin
    Sse2,          // two frames at a time, polynomial cos and sin
    Avx2,          // four frames at a time with fused multiply-add
};

// One run of frames. phaseL, phaseR and gain hold one value per frame; the
// outputs may be the inputs themselves.
struct ShapeBatch {
    const double* phaseL;
    const double* phaseR;
    const double* gain;
    const double* inL;
    const double* inR;
    double* outL;
    double* outR;
    int frames;
    WaveConstants wave;
};

using ShapeKernel = void (*)(const ShapeBatch& batch);

// The widest level this processor runs (checked once).
ShapeKernelLevel BestShapeKernelLevel();

// The kernel of a level for a shape and mix; levels above the best fall back
// to the best, and shapes other than the first three play as Square.
ShapeKernel FindShapeKernel(ShapeKernelLevel level, int shape, bool binaural);

// One reference sample, for the lanes a vector kernel leaves to the library
// (warped angles beyond its range, and NaN).
double ReferenceShapeSample(int shape, double phase, const WaveConstants& wave);

// The kernel tables of each instruction set, built in files of their own.
ShapeKernel FindShapeKernelSse2(int shape, bool binaural);
ShapeKernel FindShapeKernelAvx2(int shape, bool binaural);
