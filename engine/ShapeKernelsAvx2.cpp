// The shape kernels four frames at a time with AVX2 and FMA. The whole file
// is compiled for those instruction sets and only called after the processor
// was found to have them.
#include <immintrin.h>

namespace {

struct Lanes {
    using V = double __attribute__((vector_size(32)));
    static constexpr int kWidth = 4;
    static V Fma(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
    static V Min(V a, V b) { return _mm256_min_pd(a, b); }
    static V Max(V a, V b) { return _mm256_max_pd(a, b); }
    static bool All(decltype(V{} < V{}) m) {
        return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)) == 0xF;
    }
};

} // namespace

#include "ShapeKernelBody.h"

ShapeKernel FindShapeKernelAvx2(int shape, bool binaural) {
    return kVectorKernels[binaural ? 1 : 0][shape];
}
