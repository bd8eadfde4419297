// The vector shape kernels against the one-frame-at-a-time reference with the
// library's cos and sin: sample by sample on chosen phases, and through whole
// renders of the instrument.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

#include "TestSupport.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
const char* const kShapeNames[] = {"Sine", "Sine half", "Triangle", "Square"};

std::vector<ShapeKernelLevel> VectorLevels() {
    std::vector<ShapeKernelLevel> levels;
    for (ShapeKernelLevel level : {ShapeKernelLevel::Sse2, ShapeKernelLevel::Avx2})
        if (level <= BestShapeKernelLevel()) levels.push_back(level);
    return levels;
}

// The wave constants the instrument sets for a shape.
WaveConstants ConstantsOf(int shape) {
    EngineHarness h;
    h.Set(ParamWave, shape);
    const EngineState& s = h.State();
    return {s.breakPhase, s.riseSlope, s.fallSlope, s.fallOffset};
}

// Same value, or both NaN.
bool Agree(double a, double b, double tolerance) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= tolerance;
}

} // namespace

TEST(ShapeKernels, EveryLaneMatchesTheLibrary) {
    // Phases across and beyond a cycle, both signs, and the odd ones: the
    // break point, a denormal, where the polynomial hands over to the
    // library, infinities and NaN. An odd count leaves a partial vector.
    std::vector<double> phases;
    for (int i = -20000; i < 20000; ++i)
        phases.push_back(i * (kTwoPi / 20000.0));
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> wide(-1e5, 1e5);
    for (int i = 0; i < 2000; ++i)
        phases.push_back(wide(random));
    const double inf = std::numeric_limits<double>::infinity();
    for (double special : {0.0, -0.0, 4.9e-324, -4.9e-324, kTwoPi, 50000.0, 1e300, inf, -inf,
                           std::numeric_limits<double>::quiet_NaN()})
        phases.push_back(special);
    if (phases.size() % 2 == 0) phases.push_back(1.0);
    const int frames = static_cast<int>(phases.size());

    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> reversed(phases.rbegin(), phases.rend()), gain(phases.size()),
        in(2 * phases.size());
    for (double& g : gain)
        g = std::fabs(unit(random));
    for (double& x : in)
        x = unit(random);

    for (int shape = WaveSine; shape <= WaveSquare; ++shape) {
        WaveConstants wave = ConstantsOf(shape);
        phases.back() = wave.breakPhase;
        // Triangle and Square are exact; a sine sample is within 1e-12, so
        // a monaural sum within twice that.
        const double tolerance = shape >= WaveTriangle ? 0.0 : 2e-12;
        for (bool binaural : {true, false}) {
            std::vector<double> expected(in.size()), actual(in.size());
            auto run = [&](ShapeKernel kernel, const double* input, double* output) {
                kernel({phases.data(), reversed.data(), gain.data(), input, input + frames, output,
                        output + frames, frames, wave});
            };
            run(FindShapeKernel(ShapeKernelLevel::Reference, shape, binaural), in.data(),
                expected.data());
            for (ShapeKernelLevel level : VectorLevels()) {
                SCOPED_TRACE(::testing::Message()
                             << kShapeNames[shape] << ", level " << static_cast<int>(level)
                             << (binaural ? ", binaural" : ", monaural"));
                const ShapeKernel kernel = FindShapeKernel(level, shape, binaural);
                run(kernel, in.data(), actual.data());
                for (size_t i = 0; i < in.size(); ++i)
                    ASSERT_TRUE(Agree(actual[i], expected[i], tolerance))
                        << "frame " << i << ": phase " << phases[i % phases.size()] << ", "
                        << actual[i] << " against " << expected[i];

                // In place, the output over the input.
                std::vector<double> shared = in;
                run(kernel, shared.data(), shared.data());
                ASSERT_EQ(std::memcmp(shared.data(), actual.data(), sizeof(double) * in.size()), 0);
            }
        }
    }
}

namespace {

struct RenderCase {
    double rate;
    double carrier, beat, glideTo;
    double seconds; // of steady tone before the changes
};

// Glides, pan reversal, a transport stop with input passing through, a pause
// that resynchronises the phases, then notes with their envelope, in blocks
// of many sizes, most not a multiple of any vector width.
std::vector<double> RenderScenario(ShapeKernelLevel level, const RenderCase& c, int wave,
                                   bool monaural) {
    EngineHarness h(c.rate, 512);
    h.plug.SetShapeKernelLevel(level);
    h.Set(ParamMode, 0);
    h.Set(ParamCenterFreq, 0);
    h.Set(ParamFrequency, c.carrier);
    h.Set(ParamBeatFreq, c.beat);
    h.Set(ParamWave, wave);
    h.Set(ParamBeats, monaural ? 1 : 0);
    h.Set(ParamFade, 40);
    h.Set(ParamAttack, 5);
    h.Set(ParamRelease, 5);

    static const int kBlocks[] = {1, 3, 4, 5, 7, 8, 64, 255, 256, 257, 333, 512};
    std::vector<double> out;
    size_t next = 0;
    auto render = [&](double seconds, double input) {
        const long total = std::lround(seconds * c.rate);
        for (long done = 0; done < total;) {
            const int frames = kBlocks[next++ % (sizeof kBlocks / sizeof kBlocks[0])];
            const StereoBuffers b = h.Render(frames, input);
            out.insert(out.end(), b.outL.begin(), b.outL.end());
            out.insert(out.end(), b.outR.begin(), b.outR.end());
            done += frames;
        }
    };

    render(c.seconds, 0.0);
    h.Set(ParamFrequency, c.glideTo);
    render(0.02, 0.0);
    h.Set(ParamPanReverse, 1);
    render(0.02, 0.25);
    h.SetTransport(0, 0);
    render(0.02, 0.25);
    h.plug.clockMs += 600;
    h.SetTransport(1, 777777);
    render(0.02, 0.0);
    h.Set(ParamMode, 1);
    h.NoteOn(60, 100);
    render(0.02, 0.0);
    h.NoteOn(95, 127);
    render(0.02, 0.0);
    h.NoteOff(60);
    h.NoteOff(95);
    render(0.03, -0.5);
    return out;
}

} // namespace

TEST(ShapeKernels, RendersMatchTheReference) {
    // A 7.83 Hz beat at 48 kHz, and the highest frequencies at the lowest and
    // highest rates: at 8 kHz the increment passes a whole cycle, so the
    // phases grow without bound and the warped angle leaves the polynomial's
    // range within the first second.
    const RenderCase cases[] = {{48000.0, 196.085, 7.83, 1000.0, 0.1},
                                {8000.0, 20000.0, 512.0, 19000.0, 1.5},
                                {384000.0, 20000.0, 512.0, 1.0, 0.05}};
    for (const RenderCase& c : cases) {
        for (int wave = WaveSine; wave <= WaveSquare; ++wave) {
            for (bool monaural : {false, true}) {
                const std::vector<double> expected =
                    RenderScenario(ShapeKernelLevel::Reference, c, wave, monaural);
                for (ShapeKernelLevel level : VectorLevels()) {
                    SCOPED_TRACE(::testing::Message()
                                 << c.rate << " Hz, " << kShapeNames[wave] << ", level "
                                 << static_cast<int>(level) << (monaural ? ", monaural" : ""));
                    const std::vector<double> actual = RenderScenario(level, c, wave, monaural);
                    ASSERT_EQ(actual.size(), expected.size());
                    for (size_t i = 0; i < actual.size(); ++i) {
                        ASSERT_TRUE(std::isfinite(actual[i])) << i;
                        ASSERT_NEAR(actual[i], expected[i], 1e-9) << i;
                    }
                }
            }
        }
    }
}
