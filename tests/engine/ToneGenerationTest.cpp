#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "TestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// Generator mode with a plain tone: no centring, the given beat.
void MakeGenerator(EngineHarness& h, double carrier, double beat, int wave = WaveSine) {
    h.Set(ParamMode, 0);
    h.Set(ParamCenterFreq, 0);
    h.Set(ParamFrequency, carrier);
    h.Set(ParamBeatFreq, beat);
    h.Set(ParamWave, wave);
}

double ExpectedResyncPhase(int32_t position, double increment) {
    return std::fmod(position * increment * 0.15915494309189535, 1.0) * 2.0 * kPi;
}

} // namespace

TEST(ToneGeneration, SineStartsAtTheTopOfItsCycle) {
    EngineHarness h;
    MakeGenerator(h, 1000.0, 0.0);
    const StereoBuffers block = h.Render(512);
    // The gain ramps from 0 over the first block, so frame 0 carries one step.
    const float gainStep = h.State().targetGain / 512.0f;
    EXPECT_DOUBLE_EQ(block.outL[0], static_cast<double>(gainStep) * 1.0);
    EXPECT_DOUBLE_EQ(block.outR[0], block.outL[0]);
    // The next frame is a phase of 1 kHz later on the falling first part.
    const double warped = kTwoPi * 1000.0 / 48000.0 * 0.8090000152587891;
    EXPECT_NEAR(block.outL[1], 2.0 * gainStep * std::cos(warped), 1e-12);
}

TEST(ToneGeneration, InputPassesThroughExactlyWhileSilent) {
    EngineHarness h;
    MakeGenerator(h, 440.0, 4.0);
    h.SetTransport(0, 0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    StereoBuffers buffers(256);
    for (int i = 0; i < 256; ++i) {
        buffers.inL[i] = noise(random);
        buffers.inR[i] = noise(random);
    }
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 256);
    EXPECT_EQ(buffers.outL, buffers.inL);
    EXPECT_EQ(buffers.outR, buffers.inR);
    // The oscillators stood still.
    EXPECT_EQ(h.State().currentGain, 0.0f);
}

TEST(ToneGeneration, OutputIsInputPlusTone) {
    EngineHarness silent, fed;
    MakeGenerator(silent, 440.0, 4.0);
    MakeGenerator(fed, 440.0, 4.0);
    const StereoBuffers tone = silent.Render(512, 0.0);
    const StereoBuffers mixed = fed.Render(512, 0.25);
    for (int i = 0; i < 512; ++i) {
        EXPECT_NEAR(mixed.outL[i] - 0.25, tone.outL[i], 1e-15);
        EXPECT_NEAR(mixed.outR[i] + 0.25, tone.outR[i], 1e-15);
    }
}

TEST(ToneGeneration, TransportStopFadesLinearlyOverOneBlock) {
    EngineHarness h;
    MakeGenerator(h, 100.0, 0.0, WaveSquare);
    h.Render(512);
    h.Render(512);
    const float gain = h.State().targetGain;
    ASSERT_EQ(h.State().currentGain, gain);

    h.SetTransport(0, 1024);
    const StereoBuffers fade = h.Render(512, 0.5);
    // A square wave is +-1, so the distance from the input is the gain itself.
    const float step = (0.0f - gain) / 512.0f;
    float expected = gain;
    for (int i = 0; i < 511; ++i) {
        expected += step;
        EXPECT_NEAR(std::fabs(fade.outL[i] - 0.5), expected, 1e-6) << i;
    }
    EXPECT_EQ(fade.outL[511], 0.5);
    EXPECT_EQ(h.State().currentGain, 0.0f);

    const StereoBuffers after = h.Render(512, 0.5);
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(after.outL[i], 0.5);
}

TEST(ToneGeneration, GlideCompletesWithinABlockForShortFades) {
    EngineHarness h(44100.0, 64);
    MakeGenerator(h, 200.0, 0.0);
    h.Set(ParamFade, 1);
    h.Render(64);
    h.Set(ParamFrequency, 400.0);
    const double before = h.State().currentIncL;
    h.Render(64);
    EXPECT_NEAR(h.State().currentIncL, h.State().targetIncL, 1e-15);
    EXPECT_NEAR(h.IncrementHz(h.State().currentIncL), 400.0, 1e-9);
    EXPECT_NE(before, h.State().currentIncL);
}

TEST(ToneGeneration, LongGlideApproachesExponentially) {
    EngineHarness h(48000.0, 480);
    MakeGenerator(h, 200.0, 0.0);
    h.Set(ParamFade, 400); // glide constant 100 ms = 4800 samples
    h.Render(480);
    h.Set(ParamFrequency, 300.0);
    const double target = h.State().targetIncL;
    double remaining = target - h.State().currentIncL;
    for (int block = 0; block < 3; ++block) {
        h.Render(480);
        const double now = target - h.State().currentIncL;
        // Each block covers a tenth of what remains.
        EXPECT_NEAR(now, remaining * 0.9, std::fabs(remaining) * 1e-9);
        remaining = now;
    }
    // After the whole fade time about 98 % is done.
    for (int block = 3; block < 40; ++block)
        h.Render(480);
    const double done =
        1.0 - (target - h.State().currentIncL) / (target - 200.0 * kTwoPi / 48000.0);
    EXPECT_NEAR(done, 1.0 - std::pow(0.9, 40), 1e-9);
    EXPECT_GT(done, 0.98);
}

TEST(ToneGeneration, PhasesFollowTheHostPositionAfterAPause) {
    EngineHarness h;
    MakeGenerator(h, 440.0, 4.0);
    h.SetTransport(1, 12345);
    h.Render(256);
    // First block: phases derived from the position, then advanced by the block.
    const double incL = h.State().targetIncL, incR = h.State().targetIncR;
    EXPECT_NEAR(h.State().phaseL, std::fmod(ExpectedResyncPhase(12345, incL) + 256 * incL, kTwoPi),
                1e-9);

    // Blocks in close succession keep accumulating phase.
    h.SetTransport(1, 900000);
    const double continued = std::fmod(h.State().phaseL + 256 * incL, kTwoPi);
    h.Render(256);
    EXPECT_NEAR(h.State().phaseL, continued, 1e-9);

    // More than half a second between blocks: resynchronised.
    h.plug.clockMs = h.State().lastClockMs + 501;
    h.SetTransport(1, 48000);
    h.Render(256);
    EXPECT_NEAR(h.State().phaseL, std::fmod(ExpectedResyncPhase(48000, incL) + 256 * incL, kTwoPi),
                1e-9);
    EXPECT_NEAR(h.State().phaseR, std::fmod(ExpectedResyncPhase(48000, incR) + 256 * incR, kTwoPi),
                1e-9);

    // Exactly half a second is not a pause.
    h.plug.clockMs = h.State().lastClockMs + 500;
    h.SetTransport(1, 1000);
    const double kept = std::fmod(h.State().phaseL + 256 * incL, kTwoPi);
    h.Render(256);
    EXPECT_NEAR(h.State().phaseL, kept, 1e-9);
}

TEST(ToneGeneration, NegativePositionGivesANegativeStartPhase) {
    EngineHarness h;
    MakeGenerator(h, 440.0, 0.0);
    h.SetTransport(1, -1000);
    const StereoBuffers block = h.Render(1);
    const double phase = ExpectedResyncPhase(-1000, h.State().targetIncL);
    ASSERT_LT(phase, 0.0);
    const double gain = h.State().currentGain;
    EXPECT_NEAR(block.outL[0], gain * std::cos(phase * 0.8090000152587891), 1e-12);
}

TEST(ToneGeneration, MonauralSumsBothTonesIntoBothEars) {
    EngineHarness binaural, monaural;
    MakeGenerator(binaural, 250.0, 0.0);
    MakeGenerator(monaural, 250.0, 0.0);
    monaural.Set(ParamBeats, 1);
    const StereoBuffers b = binaural.Render(512);
    const StereoBuffers m = monaural.Render(512);
    for (int i = 0; i < 512; ++i) {
        EXPECT_DOUBLE_EQ(m.outL[i], 2.0 * b.outL[i]);
        EXPECT_EQ(m.outL[i], m.outR[i]);
    }

    // With a beat both ears still carry the same sum.
    monaural.Set(ParamBeatFreq, 7.0);
    const StereoBuffers beating = monaural.Render(512);
    EXPECT_EQ(beating.outL, beating.outR);
}

TEST(ToneGeneration, WaveShapesSplitTheCycleAtPhi) {
    for (int wave : {WaveSine, WaveSineHalf, WaveTriangle, WaveSquare}) {
        SCOPED_TRACE(wave);
        EngineHarness h(48000.0, 480);
        MakeGenerator(h, 100.0, 0.0, wave); // 480 samples per cycle
        h.Set(ParamVolume, 100);
        h.Render(480);
        h.Render(480);
        const float gain = h.State().currentGain;
        const StereoBuffers cycle = h.Render(480);
        double peak = 0.0, trough = 0.0;
        int rising = 0;
        for (int i = 0; i < 480; ++i) {
            const double y = cycle.outL[i] / gain;
            EXPECT_LE(y, 1.0 + 1e-12);
            EXPECT_GE(y, -1.0 - 1e-12);
            peak = std::max(peak, y);
            trough = std::min(trough, y);
            if (i > 0 && cycle.outL[i] > cycle.outL[i - 1]) ++rising;
        }
        EXPECT_NEAR(peak, 1.0, 1e-2);
        EXPECT_NEAR(trough, -1.0, 1e-2);
        // The first part takes 61.8 % of the cycle: 297 of 480 samples.
        const int firstPart = static_cast<int>(std::lround(480 / 1.618));
        if (wave == WaveSquare) {
            int high = 0;
            for (double sample : cycle.outL)
                high += sample > 0.0;
            EXPECT_NEAR(high, firstPart, 1);
        } else if (wave == WaveSine) {
            EXPECT_NEAR(rising, 480 - firstPart, 2); // falls first, then rises
        } else {
            EXPECT_NEAR(rising, firstPart, 2); // rises first, then falls
        }
    }
}

TEST(ToneGeneration, ShortAndEmptyBlocksAreSafe) {
    EngineHarness h;
    MakeGenerator(h, 440.0, 4.0);
    StereoBuffers buffers(4);
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, 0);
    h.plug.RenderAudio(buffers.inputs, buffers.outputs, -5);
    EXPECT_TRUE(h.State().started);
    EXPECT_EQ(h.State().currentGain, 0.0f);
    const StereoBuffers one = h.Render(1);
    EXPECT_EQ(h.State().currentGain, h.State().targetGain);
    EXPECT_TRUE(std::isfinite(one.outL[0]));
}

// After a pause the tone restarts in step with the host position at the
// frequency it is heading for, even while a long glide towards it has barely
// begun: 48048 samples at 48 kHz are 1001 whole cycles of 1000 Hz (the top of a
// cosine) but 500.5 cycles of the 500 Hz still sounding.
TEST(ToneGeneration, AfterAPauseTheNewFrequencyIsInStepWithTheHostPosition) {
    EngineHarness h;
    MakeGenerator(h, 500.0, 0.0);
    h.Set(ParamFade, 90000);
    h.Render(512);
    const StereoBuffers steady = h.Render(512);
    const double top = *std::max_element(steady.outL.begin(), steady.outL.end());
    ASSERT_GT(top, 0.1);

    h.Set(ParamFrequency, 1000.0);
    h.plug.clockMs += 600;
    h.SetTransport(1, 48048);
    const StereoBuffers resumed = h.Render(64);
    EXPECT_NEAR(resumed.outL[0], top, 1e-3 * top);
    EXPECT_NEAR(resumed.outR[0], top, 1e-3 * top);
}
