#pragma once

#include <cstdint>

namespace tonewell::render {

// Triangular (TPDF) dither of +-1 step, from fixed-seed generators so the same
// render gives the same file. Four xorshift128+ generators run side by side,
// sample i taking the next value of generator i mod 4: their steps are
// independent, so the compiler computes them together in vector registers
// instead of one long chain of dependent steps per sample.
class TpdfDither {
public:
    TpdfDither();

    // out[i] = in[i] plus dither of one step `step`. The noise continues from
    // one call to the next, so how a stream is cut into calls does not
    // change it. `in` and `out` may be the same.
    void Apply(const double* in, double* out, int count, double step);

private:
    static constexpr int kLanes = 4;

    // The next value of every generator.
    void Step(std::uint64_t (&values)[kLanes]);

    std::uint64_t low_[kLanes];
    std::uint64_t high_[kLanes];
    // Values of the last Step not used yet: pending_[next_] onwards.
    std::uint64_t pending_[kLanes] = {};
    int next_ = kLanes;
};

} // namespace tonewell::render
