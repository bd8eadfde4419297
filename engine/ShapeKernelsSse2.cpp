// The shape kernels two frames at a time with SSE2, which every x86-64
// processor has.
#include <emmintrin.h>

namespace {

struct Lanes {
    using V = double __attribute__((vector_size(16)));
    static constexpr int kWidth = 2;
    static V Fma(V a, V b, V c) { return a * b + c; }
    static V Min(V a, V b) { return _mm_min_pd(a, b); }
    static V Max(V a, V b) { return _mm_max_pd(a, b); }
    static bool All(decltype(V{} < V{}) m) {
        return _mm_movemask_pd(reinterpret_cast<__m128d>(m)) == 0x3;
    }
};

} // namespace

#include "ShapeKernelBody.h"

ShapeKernel FindShapeKernelSse2(int shape, bool binaural) {
    return kVectorKernels[binaural ? 1 : 0][shape];
}
