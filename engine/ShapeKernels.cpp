#include "ShapeKernels.h"

#include "WaveShape.h"

namespace {

template <int Shape, bool Binaural> void ReferenceKernel(const ShapeBatch& b) {
    for (int i = 0; i < b.frames; ++i) {
        const double yL = ShapeSample<Shape>(b.phaseL[i], b.wave);
        const double yR = ShapeSample<Shape>(b.phaseR[i], b.wave);
        const double a = b.gain[i];
        if constexpr (Binaural) {
            b.outL[i] = b.inL[i] + a * yL;
            b.outR[i] = b.inR[i] + a * yR;
        } else {
            const double sum = yL + yR;
            b.outL[i] = b.inL[i] + a * sum;
            b.outR[i] = b.inR[i] + a * sum;
        }
    }
}

constexpr ShapeKernel kReferenceKernels[2][4] = {
    {&ReferenceKernel<WaveSine, false>, &ReferenceKernel<WaveSineHalf, false>,
     &ReferenceKernel<WaveTriangle, false>, &ReferenceKernel<WaveSquare, false>},
    {&ReferenceKernel<WaveSine, true>, &ReferenceKernel<WaveSineHalf, true>,
     &ReferenceKernel<WaveTriangle, true>, &ReferenceKernel<WaveSquare, true>}};

} // namespace

ShapeKernelLevel BestShapeKernelLevel() {
#if defined(__GNUC__) && defined(__x86_64__)
    static const ShapeKernelLevel best = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")
                   ? ShapeKernelLevel::Avx2
                   : ShapeKernelLevel::Sse2;
    }();
    return best;
#else
    return ShapeKernelLevel::Reference;
#endif
}

ShapeKernel FindShapeKernel(ShapeKernelLevel level, int shape, bool binaural) {
    if (shape < WaveSine || shape > WaveSquare) shape = WaveSquare;
    if (level > BestShapeKernelLevel()) level = BestShapeKernelLevel();
    switch (level) {
#if defined(__GNUC__) && defined(__x86_64__)
    case ShapeKernelLevel::Avx2:
        return FindShapeKernelAvx2(shape, binaural);
    case ShapeKernelLevel::Sse2:
        return FindShapeKernelSse2(shape, binaural);
#endif
    default:
        return kReferenceKernels[binaural ? 1 : 0][shape];
    }
}

double ReferenceShapeSample(int shape, double phase, const WaveConstants& wave) {
    switch (shape) {
    case WaveSine:
        return ShapeSample<WaveSine>(phase, wave);
    case WaveSineHalf:
        return ShapeSample<WaveSineHalf>(phase, wave);
    case WaveTriangle:
        return ShapeSample<WaveTriangle>(phase, wave);
    default:
        return ShapeSample<WaveSquare>(phase, wave);
    }
}
