#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "FactoryPrograms.h"
#include "TestSupport.h"

namespace {

double Value(const CLS_TONEWELL& plug, int index) {
    return plug.GetParam(index)->PlainValue();
}

// The number written after the given text in a program name.
double NumberAfter(const std::string& name, const std::string& prefix) {
    return std::strtod(name.c_str() + name.find(prefix) + prefix.size(), nullptr);
}

StateChunk ChunkOf(const std::vector<double>& values) {
    StateChunk chunk;
    for (double value : values)
        chunk.PutDouble(value);
    return chunk;
}

} // namespace

TEST(Programs, SlotsAndNames) {
    CLS_TONEWELL plug;
    ASSERT_EQ(plug.NumPresets(), 130);
    EXPECT_STREQ(plug.PresetName(0), "---- default ----");
    const char* firstEight[] = {"Higher frequencies",  "101Hz Tunning",
                                "432Hz Tunning",       "Left - Right reverse",
                                "Monaural beats",      "Triangle waves - by note",
                                "Saw waves - by note", "Square waves - by note"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(plug.PresetName(i + 1), firstEight[i]);
    EXPECT_STREQ(plug.PresetName(9), "Binaural - 0.2 (Dental pain)");
    EXPECT_STREQ(plug.PresetName(83), "Binaural - 7.83 (Schumann Resonance)");
    EXPECT_STREQ(plug.PresetName(98),
                 "Binaural - 221.23 (Venus: beauty, love, sexuality, sensuality, harmony)");
    EXPECT_STREQ(plug.PresetName(99), "Healing - 110 Hz (Stomach)");
    EXPECT_STREQ(plug.PresetName(116), "Healing - 586 Hz (Circulation  & sex)");
    EXPECT_STREQ(plug.PresetName(119),
                 "Solfeggio MI - 528 Hz (Transformation and Miracles, DNA Repair)");
    EXPECT_STREQ(plug.PresetName(124), "Solfeggio - 174 Hz (Natural anaesthetic, reduce pain)");
    for (int i = 125; i < 130; ++i)
        EXPECT_EQ(plug.PresetName(i), "- " + std::to_string(i + 1) + " -");
    EXPECT_STREQ(plug.PresetName(130), "");
    EXPECT_STREQ(plug.PresetName(-1), "");

    std::set<std::string> names;
    for (int i = 0; i < 125; ++i)
        names.insert(plug.PresetName(i));
    EXPECT_EQ(names.size(), 125u);
}

TEST(Programs, StoredValuesFollowTheirNames) {
    CLS_TONEWELL plug;
    for (int slot = 1; slot <= kNumFactoryPrograms; ++slot) {
        const std::string name = plug.PresetName(slot);
        SCOPED_TRACE(name);
        ASSERT_TRUE(plug.ApplyPreset(slot));
        EXPECT_EQ(plug.CurrentPreset(), slot);
        EXPECT_EQ(Value(plug, ParamCenterFreq), 1.0);
        EXPECT_EQ(Value(plug, ParamAttack), 800.0);
        EXPECT_EQ(Value(plug, ParamRelease), 500.0);
        EXPECT_EQ(Value(plug, ParamFade), 1000.0);
        EXPECT_EQ(Value(plug, ParamVolume), 90.0);
        if (slot >= 9 && slot <= 98) {
            EXPECT_EQ(Value(plug, ParamBeatFreq), NumberAfter(name, "Binaural - "));
            EXPECT_EQ(Value(plug, ParamFrequency), 200.0);
            EXPECT_EQ(Value(plug, ParamMode), 0.0);
        } else if (slot >= 99) {
            EXPECT_EQ(Value(plug, ParamFrequency), NumberAfter(name, " - "));
            EXPECT_EQ(Value(plug, ParamBeatFreq), 0.0);
            EXPECT_EQ(Value(plug, ParamMode), 0.0);
        }
    }
}

TEST(Programs, TheFirstEightSetUps) {
    CLS_TONEWELL plug;
    plug.ApplyPreset(1);
    EXPECT_EQ(Value(plug, ParamFrequency), 400.0);
    plug.ApplyPreset(2);
    EXPECT_EQ(Value(plug, ParamTuningFreq), 101.0);
    EXPECT_EQ(Value(plug, ParamMode), 1.0);
    plug.ApplyPreset(4);
    EXPECT_EQ(Value(plug, ParamPanReverse), 1.0);
    EXPECT_EQ(Value(plug, ParamMode), 0.0);
    plug.ApplyPreset(5);
    EXPECT_EQ(Value(plug, ParamBeats), 1.0);
    EXPECT_EQ(Value(plug, ParamPanReverse), 0.0);
    // "Triangle waves" plays "Sine half", "Saw waves" plays "Triangle".
    const int waves[] = {WaveSineHalf, WaveTriangle, WaveSquare};
    for (int i = 0; i < 3; ++i) {
        plug.ApplyPreset(6 + i);
        EXPECT_EQ(Value(plug, ParamWave), waves[i]);
        EXPECT_EQ(Value(plug, ParamMode), 1.0);
    }
}

TEST(Programs, SchumannResonanceSoundsInEachEar) {
    EngineHarness h;
    ASSERT_TRUE(h.plug.ApplyPreset(83));
    std::vector<double> left, right;
    h.RenderSeconds(2.0, left, right);
    EXPECT_NEAR(MeasureFrequency(left, h.rate), 196.085, 0.01);
    EXPECT_NEAR(MeasureFrequency(right, h.rate), 203.915, 0.01);
}

TEST(Programs, SolfeggioMiIsOneToneInBothEars) {
    EngineHarness h;
    ASSERT_TRUE(h.plug.ApplyPreset(119));
    std::vector<double> left, right;
    h.RenderSeconds(1.0, left, right);
    EXPECT_NEAR(MeasureFrequency(left, h.rate), 528.0, 0.01);
    EXPECT_EQ(left, right);
}

TEST(Programs, TuningProgramPlaysNotesAtTheReference) {
    EngineHarness h;
    h.Set(ParamMode, 0);
    ASSERT_TRUE(h.plug.ApplyPreset(3)); // "432Hz Tunning"
    EXPECT_TRUE(h.State().synthMode);
    h.NoteOn(69);
    EXPECT_EQ(h.State().noteHz, 432.0f);
    h.NoteOn(81);
    std::vector<double> left, right;
    h.Set(ParamBeatFreq, 0.0);
    h.Set(ParamCenterFreq, 0);
    h.RenderSeconds(1.0, left, right);
    EXPECT_NEAR(MeasureFrequency(left, h.rate), 864.0, 0.01);
}

TEST(Programs, DefaultProgramHoldsNoValues) {
    CLS_TONEWELL plug;
    plug.GetParam(ParamBeatFreq)->SetPlainValue(9.0);
    // Nothing to restore: every parameter keeps its value.
    EXPECT_FALSE(plug.ApplyPreset(0));
    EXPECT_EQ(plug.CurrentPreset(), 0);
    EXPECT_EQ(Value(plug, ParamFrequency), 200.0);
    EXPECT_EQ(Value(plug, ParamBeatFreq), 9.0);
    EXPECT_EQ(Value(plug, ParamTuningFreq), 440.0);
}

TEST(Programs, UnfilledSlotsBecomeUserPresets) {
    CLS_TONEWELL plug;
    ASSERT_TRUE(plug.ApplyPreset(83));
    EXPECT_TRUE(plug.ApplyPreset(127));
    EXPECT_STREQ(plug.PresetName(127), "user preset 1");
    EXPECT_EQ(Value(plug, ParamBeatFreq), 7.83);
    EXPECT_TRUE(plug.ApplyPreset(125));
    EXPECT_STREQ(plug.PresetName(125), "user preset 2");
    // Selected again, a user preset still holds nothing to restore.
    const double frequency = Value(plug, ParamFrequency);
    EXPECT_FALSE(plug.ApplyPreset(127));
    EXPECT_EQ(Value(plug, ParamFrequency), frequency);
    EXPECT_EQ(Value(plug, ParamBeatFreq), 7.83);
    EXPECT_FALSE(plug.ApplyPreset(130));
    EXPECT_FALSE(plug.ApplyPreset(-1));
    EXPECT_EQ(plug.CurrentPreset(), 127);
}

TEST(PluginState, NinetySixLittleEndianBytes) {
    CLS_TONEWELL plug;
    StateChunk chunk;
    ASSERT_TRUE(plug.WriteState(chunk));
    ASSERT_EQ(chunk.Size(), 96);
    // 200.0 is 0x4069000000000000, stored lowest byte first.
    const uint8_t frequency[8] = {0, 0, 0, 0, 0, 0, 0x69, 0x40};
    EXPECT_EQ(std::memcmp(chunk.Data(), frequency, 8), 0);
    double mode = 0.0;
    EXPECT_EQ(chunk.GetDouble(&mode, 80), 88);
    EXPECT_EQ(mode, 1.0);
}

TEST(PluginState, RoundTripRetunesTheEngine) {
    EngineHarness source;
    source.plug.ApplyPreset(83);
    StateChunk saved;
    ASSERT_TRUE(source.plug.WriteState(saved));

    EngineHarness restored;
    EXPECT_EQ(restored.plug.ReadState(saved, 0), 96);
    for (int i = 0; i < kNumEngineParams; ++i)
        EXPECT_EQ(Value(restored.plug, i), Value(source.plug, i)) << i;
    EXPECT_EQ(restored.State().beatHz, 7.83f);
    EXPECT_FALSE(restored.State().synthMode);
}

TEST(PluginState, ShortLongAndHostileChunks) {
    // Forty bytes restore five parameters and zero the sixth.
    CLS_TONEWELL plug;
    plug.GetParam(ParamPanReverse)->SetPlainValue(1.0);
    plug.GetParam(ParamAttack)->SetPlainValue(123.0);
    EXPECT_EQ(plug.ReadState(ChunkOf({300.0, 6.5, 432.0, 2.0, 1.0}), 0), -1);
    EXPECT_EQ(Value(plug, ParamFrequency), 300.0);
    EXPECT_EQ(Value(plug, ParamBeats), 1.0);
    EXPECT_EQ(Value(plug, ParamPanReverse), 0.0);
    EXPECT_EQ(Value(plug, ParamAttack), 123.0);

    // Extra bytes are ignored.
    std::vector<double> longer(14, 1.0);
    EXPECT_EQ(plug.ReadState(ChunkOf(longer), 0), 96);
    EXPECT_EQ(Value(plug, ParamCenterFreq), 1.0);

    // Out of range clamps, infinities clamp, NaN restores the default.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(plug.ReadState(
                  ChunkOf({1e9, -inf, nan, 7.0, nan, inf, -5.0, nan, 0.0, 1e300, nan, 0.5}), 0),
              96);
    EXPECT_EQ(Value(plug, ParamFrequency), 20000.0);
    EXPECT_EQ(Value(plug, ParamBeatFreq), 0.0);
    EXPECT_EQ(Value(plug, ParamTuningFreq), 440.0);
    EXPECT_EQ(Value(plug, ParamWave), 3.0);
    EXPECT_EQ(Value(plug, ParamBeats), 0.0);
    EXPECT_EQ(Value(plug, ParamPanReverse), 1.0);
    EXPECT_EQ(Value(plug, ParamAttack), 0.0);
    EXPECT_EQ(Value(plug, ParamRelease), 500.0);
    EXPECT_EQ(Value(plug, ParamFade), 1.0);
    EXPECT_EQ(Value(plug, ParamVolume), 100.0);
    EXPECT_EQ(Value(plug, ParamMode), 1.0);
    EXPECT_EQ(Value(plug, ParamCenterFreq), 0.5); // stored unrounded, applied as "Yes"
    EXPECT_TRUE(plug.State().centerFreq);
    EXPECT_EQ(plug.State().appliedValues[ParamTuningFreq], 4400);

    // Random bytes never leave a parameter outside its range.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        StateChunk noise;
        const int size = static_cast<int>(random() % 120);
        for (int i = 0; i < size; ++i) {
            const uint8_t byte = static_cast<uint8_t>(random());
            noise.PutBytes(&byte, 1);
        }
        plug.ReadState(noise, 0);
        for (int i = 0; i < kNumEngineParams; ++i) {
            const IEngineParam* param = plug.GetParam(i);
            ASSERT_GE(param->PlainValue(), param->Min());
            ASSERT_LE(param->PlainValue(), param->Max());
        }
    }
}
