// The vector shape kernels, written once with the compiler's vector
// extensions and compiled once per instruction set. The including file
// defines, before including this one and inside an unnamed namespace, a
// struct Lanes with:
//   V             a vector of doubles;
//   kWidth        its number of lanes;
//   Fma(a, b, c)  a * b + c (fused where the instruction set has it);
//   Min, Max      lane by lane (for lanes without NaN);
//   All(m)        whether every lane of a comparison of two V is true.
// Everything here has internal linkage, so the copies built for different
// instruction sets never meet at link time; and it uses no inline function of
// any other header for the same reason.
//
// The file must be compiled without floating-point contraction, so that the
// warped angle, Triangle and the mix round exactly as the reference does.

#include <cstdint>

#include "EngineParam.h"
#include "ShapeKernels.h"

namespace {

using V = Lanes::V;
using Bits = std::uint64_t __attribute__((vector_size(sizeof(V))));
constexpr int kWidth = Lanes::kWidth;

constexpr double kInvPi = 0x1.45f306dc9c883p-2;
// pi / 2 in three parts. The first two have 33 significant bits, so their
// products with the whole multiples used here (below 2^17) are exact.
constexpr double kHalfPiHigh = 0x1.921fb544p+0;
constexpr double kHalfPiMid = 0x1.0b4611a6p-34;
constexpr double kHalfPiLow = 0x1.3198a2e037073p-69;
// Adding 1.5 x 2^52 rounds a double below 2^51 in magnitude to the nearest
// integer and leaves that integer in the low bits of the sum.
constexpr double kRoundingShift = 0x1.8p52;
// Warped angles beyond this go to the library (together with NaN); below it
// the reduction above is exact to far better than 1e-12.
constexpr double kPolynomialLimit = 65536.0;

// sin r = r + r^3 p(r^2) for |r| up to a little over pi / 2: p is the
// degree-7 Chebyshev approximation of (sin r - r) / r^3 there, highest power
// first. Evaluated in doubles it stays within 2.3e-16 of sin, and gives
// exactly 1 at pi / 2, so cos 0 is 1 as the library has it.
constexpr double kSineTerms[] = {
    0x1.89a3f16388edcp-49, -0x1.ae513415aadccp-41, 0x1.6124014cbe2fcp-33, -0x1.ae6455a1a9e7ep-26,
    0x1.71de3a54562a8p-19, -0x1.a01a01a018aa6p-13, 0x1.1111111111107p-7,  -0x1.5555555555555p-3};

inline V Splat(double x) {
    return V{} + x;
}

inline V Load(const double* p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

inline void Store(double* p, V v) {
    __builtin_memcpy(p, &v, sizeof v);
}

// The first `count` lanes from memory, the others 0.
inline V LoadFirst(const double* p, int count) {
    V v{};
    __builtin_memcpy(&v, p, sizeof(double) * static_cast<unsigned>(count));
    return v;
}

inline void StoreFirst(double* p, V v, int count) {
    __builtin_memcpy(p, &v, sizeof(double) * static_cast<unsigned>(count));
}

inline Bits ToBits(V v) {
    Bits b;
    __builtin_memcpy(&b, &v, sizeof b);
    return b;
}

inline V FromBits(Bits b) {
    V v;
    __builtin_memcpy(&v, &b, sizeof v);
    return v;
}

// Limits to -1..1 as the reference does, NaN included.
inline V Limit(V y) {
    return y >= 1.0 ? Splat(1.0) : (y < -1.0 ? Splat(-1.0) : y);
}

// The same for lanes known to hold no NaN.
inline V Clamp(V y) {
    return Lanes::Max(Lanes::Min(y, Splat(1.0)), Splat(-1.0));
}

// sin(r) for |r| up to a little over pi / 2.
inline V SinNearZero(V r) {
    const V z = r * r;
    V p = Splat(kSineTerms[0]);
    for (int i = 1; i < static_cast<int>(sizeof kSineTerms / sizeof kSineTerms[0]); ++i)
        p = Lanes::Fma(p, z, Splat(kSineTerms[i]));
    return Lanes::Fma(r * z, p, r);
}

// cos(x) or sin(x) for |x| up to kPolynomialLimit. x = c pi / 2 - r with c
// the nearest odd (cos) or even (sin) integer, so |r| <= pi / 2, and
// cos x = (-1)^n sin r with c = 2n + 1, sin x = -(-1)^n sin r with c = 2n.
template <bool Cosine> inline V CosOrSin(V x) {
    // n need only be nearly the nearest: r is exact for whichever it is.
    const V t = Cosine ? Lanes::Fma(x, Splat(kInvPi), Splat(-0.5)) : x * kInvPi;
    const V shifted = t + kRoundingShift;
    const V n = shifted - kRoundingShift;
    const V c = Cosine ? Lanes::Fma(n, Splat(2.0), Splat(1.0)) : n + n;
    V r = Lanes::Fma(c, Splat(kHalfPiHigh), -x);
    r = Lanes::Fma(c, Splat(kHalfPiMid), r);
    r = Lanes::Fma(c, Splat(kHalfPiLow), r);
    Bits odd = ToBits(shifted) & 1;
    if constexpr (!Cosine) odd ^= 1;
    return FromBits(ToBits(SinNearZero(r)) ^ (odd << 63));
}

template <int Shape> V LibraryLanes(V phase, WaveConstants wave) {
    double lanes[kWidth];
    Store(lanes, phase);
    for (double& lane : lanes)
        lane = ReferenceShapeSample(Shape, lane, wave);
    return Load(lanes);
}

template <int Shape> inline V ShapeLanes(V p, const WaveConstants& k) {
    if constexpr (Shape == WaveSine || Shape == WaveSineHalf) {
        const V w = p < k.breakPhase ? p * k.riseSlope : p * k.fallSlope + k.fallOffset;
        if (!Lanes::All((w <= kPolynomialLimit) & (w >= -kPolynomialLimit)))
            return LibraryLanes<Shape>(p, k);
        if constexpr (Shape == WaveSine)
            return Clamp(CosOrSin<true>(w));
        else
            return Clamp(Lanes::Fma(CosOrSin<false>(w), Splat(2.0), Splat(-1.0)));
    } else if constexpr (Shape == WaveTriangle) {
        return Limit(p < k.breakPhase ? p * k.riseSlope - 1.0 : k.fallSlope - p * k.fallOffset);
    } else {
        return k.breakPhase > p ? Splat(1.0) : Splat(-1.0);
    }
}

template <int Shape, bool Binaural>
inline void MixLanes(V phaseL, V phaseR, V a, V inL, V inR, const WaveConstants& k, V& outL,
                     V& outR) {
    const V yL = ShapeLanes<Shape>(phaseL, k);
    const V yR = ShapeLanes<Shape>(phaseR, k);
    if constexpr (Binaural) {
        outL = inL + a * yL;
        outR = inR + a * yR;
    } else {
        const V sum = yL + yR;
        outL = inL + a * sum;
        outR = inR + a * sum;
    }
}

template <int Shape, bool Binaural> void VectorKernel(const ShapeBatch& batch) {
    // A copy, which the stores to the outputs cannot change, so nothing of
    // it is read again in the loop.
    const ShapeBatch b = batch;
    V outL, outR;
    int i = 0;
    for (; i + kWidth <= b.frames; i += kWidth) {
        MixLanes<Shape, Binaural>(Load(b.phaseL + i), Load(b.phaseR + i), Load(b.gain + i),
                                  Load(b.inL + i), Load(b.inR + i), b.wave, outL, outR);
        Store(b.outL + i, outL);
        Store(b.outR + i, outR);
    }
    const int rest = b.frames - i;
    if (rest > 0) {
        MixLanes<Shape, Binaural>(LoadFirst(b.phaseL + i, rest), LoadFirst(b.phaseR + i, rest),
                                  LoadFirst(b.gain + i, rest), LoadFirst(b.inL + i, rest),
                                  LoadFirst(b.inR + i, rest), b.wave, outL, outR);
        StoreFirst(b.outL + i, outL, rest);
        StoreFirst(b.outR + i, outR, rest);
    }
}

constexpr ShapeKernel kVectorKernels[2][4] = {
    {&VectorKernel<WaveSine, false>, &VectorKernel<WaveSineHalf, false>,
     &VectorKernel<WaveTriangle, false>, &VectorKernel<WaveSquare, false>},
    {&VectorKernel<WaveSine, true>, &VectorKernel<WaveSineHalf, true>,
     &VectorKernel<WaveTriangle, true>, &VectorKernel<WaveSquare, true>}};

} // namespace
