#pragma once

#include <cstdint>

namespace tonewell::render {

// Triangular (TPDF) dither of +-1 step, from fixed-seed generators so the same
// render gives the same file. Four xorshift128+ generators run side by side,
// value k of a stream taking the next value of generator k mod 4: their steps
// are independent, so they are computed together in vector registers instead
// of as one long chain of dependent steps. Each call continues the stream
// where the last one left it, so how a stream is cut into calls does not
// change it.
class TpdfDither {
public:
    TpdfDither();

    // out[i] = in[i] plus dither of one step `step`. `in` and `out` may be
    // the same.
    void Apply(const double* in, double* out, int count, double step);

    // Interleaved 16-bit samples as InterleavePcm16 makes them, each with
    // dither of one 16-bit step added first: the stream's values go to the
    // samples in their interleaved order.
    void InterleavePcm16(const double* left, const double* right, int frames, std::int16_t* out);

private:
    static constexpr int kLanes = 4;

    // InterleavePcm16 two generators to an SSE2 register (or one at a time).
    void InterleavePcm16Narrow(const double* left, const double* right, int frames,
                               std::int16_t* out);

    // Adds the next `count` values of the stream, scaled by `scale`: one(k,
    // noise) for value k alone, four(k, noise) for values k to k + 3.
    template <typename One, typename Four> void Run(int count, double scale, One one, Four four);
    // The next value of every generator.
    void Step(std::uint64_t (&values)[kLanes]);

    std::uint64_t low_[kLanes];
    std::uint64_t high_[kLanes];
    // Values of the last Step not used yet: pending_[next_] onwards.
    std::uint64_t pending_[kLanes] = {};
    int next_ = kLanes;
};

} // namespace tonewell::render
