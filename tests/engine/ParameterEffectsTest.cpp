#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::string Display(const CLS_TONEWELL& plug, int index, double value) {
    char text[IEngineParam::kFormatSize];
    plug.GetParam(index)->FormatValue(value, false, text, sizeof text);
    return text;
}

// Records what the instrument asks of an attached editor.
class RecordingSurface : public IEditorSurface {
public:
    struct Hide {
        int index;
        bool hide;
    };
    void PushParamToControls(int, double, bool) override { ++pushes; }
    void PrepareDrawing() override { ++prepared; }
    void HideParamControls(int index, bool hide) override { hides.push_back({index, hide}); }
    int Width() const override { return 368; }
    int Height() const override { return 370; }
    int FrameRate() const override { return 30; }
    void OpenEditorWindow(void*) override {}
    void CloseEditorWindow() override {}
    void StartParamChangeCountdown(int) override {}
    void StopParamChangeCountdown() override {}

    int pushes = 0;
    int prepared = 0;
    std::vector<Hide> hides;
};

} // namespace

TEST(EngineParameters, TableOfTheTwelveParameters) {
    CLS_TONEWELL plug;
    struct Expected {
        const char* name;
        IEngineParam::Kind kind;
        double defaultValue, min, max, step, curve;
        const char* label;
        int valueTexts;
    };
    const Expected table[] = {
        {"Frequency", IEngineParam::KindDouble, 200, 1, 20000, 0.1, 2, "Hz", 0},
        {"Binaural", IEngineParam::KindDouble, 4, 0, 512, 0.01, 1, "Hz", 0},
        {"Tuning Freq", IEngineParam::KindDouble, 440, 1, 20000, 0.1, 2, "Hz", 0},
        {"Wave", IEngineParam::KindEnum, 0, 0, 3, 1, 1, "", 4},
        {"Beats", IEngineParam::KindEnum, 0, 0, 1, 1, 1, "", 2},
        {"Pan Reverse", IEngineParam::KindEnum, 0, 0, 1, 1, 1, "", 2},
        {"Attack", IEngineParam::KindInteger, 800, 0, 8000, 1, 1, "ms", 0},
        {"Release", IEngineParam::KindInteger, 500, 0, 8000, 1, 1, "ms", 0},
        {"Fade", IEngineParam::KindInteger, 1000, 1, 90000, 1, 1, "ms", 0},
        {"Volume", IEngineParam::KindInteger, 90, 0, 100, 1, 1, "%", 0},
        {"Mode", IEngineParam::KindEnum, 1, 0, 1, 1, 1, "", 2},
        {"Center Freq", IEngineParam::KindEnum, 0, 0, 1, 1, 1, "", 2},
    };
    ASSERT_EQ(plug.NumParams(), kNumEngineParams);
    for (int i = 0; i < kNumEngineParams; ++i) {
        SCOPED_TRACE(table[i].name);
        const IEngineParam* param = plug.GetParam(i);
        EXPECT_STREQ(param->DisplayName(), table[i].name);
        EXPECT_EQ(param->GetKind(), table[i].kind);
        EXPECT_EQ(param->Default(), table[i].defaultValue);
        EXPECT_EQ(param->PlainValue(), table[i].defaultValue);
        EXPECT_EQ(param->Min(), table[i].min);
        EXPECT_EQ(param->Max(), table[i].max);
        EXPECT_EQ(param->Step(), table[i].step);
        EXPECT_EQ(param->Curve(), table[i].curve);
        EXPECT_STREQ(param->UnitLabel(), table[i].label);
        EXPECT_EQ(param->ValueTextCount(), table[i].valueTexts);
    }
    EXPECT_EQ(plug.GetParam(kNumEngineParams), nullptr);
    EXPECT_EQ(plug.GetParam(-1), nullptr);
}

// The identity the core is built from: generated from the project version and
// one descriptor, with the values the host and the editor have always seen.
TEST(EngineParameters, IdentityHandedToTheCore) {
    CLS_TONEWELL plug;
    EXPECT_EQ(plug.VendorVersion(), 0x00021E00);
    EXPECT_EQ(plug.UniqueId(), 0x54776C71u); // "Twlq"
    EXPECT_EQ(plug.MakerId(), 0x51787662u);  // "Qxvb"
    EXPECT_STREQ(plug.EffectName(), "Tonewell");
    EXPECT_STREQ(plug.ProductName(), "");
    EXPECT_STREQ(plug.MakerName(), "Kestrin");
    EXPECT_EQ(plug.NumParams(), 12);
    EXPECT_EQ(plug.Latency(), 0);
    EXPECT_TRUE(plug.IsInstrument());
    EXPECT_TRUE(plug.ReceivesMidi());
    EXPECT_FALSE(plug.SavesChunks());
    EXPECT_TRUE(plug.LegalChannelConfig(1, 1) && plug.LegalChannelConfig(2, 2));
    EXPECT_FALSE(plug.LegalChannelConfig(1, 2));
}

TEST(EngineParameters, DisplayTexts) {
    CLS_TONEWELL plug;
    EXPECT_EQ(Display(plug, ParamFrequency, 200.0), "200.0");
    EXPECT_EQ(Display(plug, ParamBeatFreq, 7.83), "7.83");
    EXPECT_EQ(Display(plug, ParamBeatFreq, 0.0), "0");
    EXPECT_EQ(Display(plug, ParamAttack, 800.0), "800");
    EXPECT_EQ(Display(plug, ParamWave, 0.0), "Sine");
    EXPECT_EQ(Display(plug, ParamWave, 1.0), "Sine half");
    EXPECT_EQ(Display(plug, ParamWave, 2.0), "Triangle");
    EXPECT_EQ(Display(plug, ParamWave, 3.0), "Square");
    EXPECT_EQ(Display(plug, ParamBeats, 0.0), "Binaural");
    EXPECT_EQ(Display(plug, ParamBeats, 1.0), "Monaural");
    EXPECT_EQ(Display(plug, ParamPanReverse, 1.0), "Yes");
    EXPECT_EQ(Display(plug, ParamMode, 0.0), "Generator");
    EXPECT_EQ(Display(plug, ParamMode, 1.0), "Synthesizer");
    EXPECT_EQ(Display(plug, ParamCenterFreq, 0.0), "No");

    // The curve spends half the knob on the lowest quarter of the range.
    const IEngineParam* frequency = plug.GetParam(ParamFrequency);
    EXPECT_DOUBLE_EQ(frequency->FromNormalized(0.5), 1.0 + 0.25 * 19999.0);
    EXPECT_DOUBLE_EQ(frequency->ToNormalized(1.0 + 0.25 * 19999.0), 0.5);
}

TEST(EngineParameters, QuantisedValuesActOnlyOnChange) {
    EngineHarness h;
    h.Set(ParamMode, 0);
    h.Render(1);
    h.Set(ParamFrequency, 200.04);
    EXPECT_EQ(h.State().appliedValues[ParamFrequency], 2000);
    EXPECT_EQ(h.State().carrierHz, 200.0f);
    h.Set(ParamFrequency, 200.01);
    EXPECT_EQ(h.State().appliedValues[ParamFrequency], 2000);
    h.Set(ParamFrequency, 200.05); // half a tenth rounds away from zero
    EXPECT_EQ(h.State().appliedValues[ParamFrequency], 2001);
    EXPECT_FLOAT_EQ(h.State().carrierHz, 200.1f);

    h.Set(ParamBeatFreq, 7.834);
    EXPECT_EQ(h.State().appliedValues[ParamBeatFreq], 783);
    EXPECT_EQ(h.State().beatHz, 7.83f);

    // A repeated value leaves engine state alone, even state changed since.
    h.Set(ParamPanReverse, 1);
    const double swappedLeft = h.State().targetIncL;
    h.Set(ParamPanReverse, 1);
    EXPECT_EQ(h.State().targetIncL, swappedLeft);
}

TEST(EngineParameters, GateOpensOnlyAfterEveryParameterWasApplied) {
    TestTonewell plug;
    EXPECT_FALSE(plug.IsProcessingEnabled());
    for (int i = 0; i < 12; ++i)
        plug.ApplyParameter(ParamVolume);
    EXPECT_FALSE(plug.IsProcessingEnabled());
    EXPECT_EQ(plug.PendingParams(), 11);

    plug.ApplyParameter(kNumEngineParams); // out of range: ignored
    plug.ApplyParameter(-1);
    EXPECT_EQ(plug.PendingParams(), 11);

    for (int i = 0; i < kNumEngineParams; ++i) {
        EXPECT_FALSE(plug.IsProcessingEnabled()) << i;
        plug.ApplyParameter(i);
    }
    EXPECT_TRUE(plug.IsProcessingEnabled());

    // Before the gate opens, a block leaves the outputs as they were.
    TestTonewell closed;
    StereoBuffers buffers(16, 0.25);
    buffers.outL.assign(16, 7.0);
    closed.RenderAudio(buffers.inputs, buffers.outputs, 16);
    EXPECT_EQ(buffers.outL[0], 7.0);
}

TEST(EngineParameters, FrequenciesOfTheTwoEars) {
    EngineHarness h;
    h.Set(ParamMode, 0);
    h.Render(1); // the first block brings the real sample rate
    h.Set(ParamCenterFreq, 0);
    h.Set(ParamFrequency, 300.0);
    h.Set(ParamBeatFreq, 0.0);
    // No beat: both ears carry the carrier.
    EXPECT_EQ(h.State().targetIncL, h.State().targetIncR);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 300.0, 1e-9);

    h.Set(ParamBeatFreq, 10.0);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 300.0, 1e-9);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncR), 310.0, 1e-9);

    // Centred around the carrier, but the lower tone never below 1 Hz.
    h.Set(ParamCenterFreq, 1);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 295.0, 1e-9);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncR), 305.0, 1e-9);
    h.Set(ParamFrequency, 3.0);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 1.0, 1e-9);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncR), 11.0, 1e-9);
}

TEST(EngineParameters, PanReverseExchangesTheEars) {
    EngineHarness h;
    h.Set(ParamMode, 0);
    h.Render(1);
    const double left = h.State().targetIncL, right = h.State().targetIncR;
    ASSERT_NE(left, right);

    h.Set(ParamPanReverse, 1);
    EXPECT_EQ(h.State().targetIncL, right);
    EXPECT_EQ(h.State().targetIncR, left);
    EXPECT_TRUE(h.State().panReverse);
    // Recomputing keeps the higher tone on the left.
    h.Set(ParamBeatFreq, 5.0);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 205.0, 1e-9);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncR), 200.0, 1e-9);
    h.Set(ParamBeatFreq, 4.0);

    h.Set(ParamPanReverse, 0);
    h.Set(ParamPanReverse, 1);
    h.Set(ParamPanReverse, 0);
    EXPECT_EQ(h.State().targetIncL, left);
    EXPECT_EQ(h.State().targetIncR, right);
}

TEST(EngineParameters, FoldTuningIntoOneOctave) {
    CLS_TONEWELL plug;
    const struct {
        int tenths;
        float expected;
    } cases[] = {{4400, 440.0f}, {4320, 432.0f}, {1010, 404.0f},  {200000, 312.5f},
                 {10, 512.0f},   {2616, 523.2f}, {5233, 261.65f}, {5232, 523.2f}};
    for (const auto& c : cases) {
        plug.FoldTuning(c.tenths);
        EXPECT_FLOAT_EQ(plug.State().tuningRefHz, c.expected) << c.tenths;
    }
}

TEST(EngineParameters, VolumeLaw) {
    EngineHarness h;
    const struct {
        int volume;
        float gain;
    } cases[] = {{100, 0.999f}, {90, 0.47694f}, {50, 0.024778f}, {0, 0.00061458f}};
    for (const auto& c : cases) {
        h.Set(ParamVolume, c.volume);
        EXPECT_NEAR(h.State().targetGain, c.gain, c.gain * 1e-4) << c.volume;
    }
}

TEST(EngineParameters, WaveShapeConstants) {
    EngineHarness h;
    const double breakPhase = 3.8833036;
    h.Set(ParamWave, WaveSine);
    EXPECT_NEAR(h.State().breakPhase, breakPhase, 1e-6);
    EXPECT_NEAR(h.State().riseSlope, 0.809, 1e-6);
    EXPECT_NEAR(h.State().fallSlope, 1.3090614, 1e-6);
    EXPECT_NEAR(h.State().fallOffset, -1.9418904, 1e-6);
    EXPECT_DOUBLE_EQ(h.State().breakPhase, 6.283185307179586 / 1.6180000305175781);

    h.Set(ParamWave, WaveSineHalf);
    EXPECT_NEAR(h.State().riseSlope, 0.4045, 1e-6);
    EXPECT_NEAR(h.State().fallSlope, 0.6545307, 1e-6);
    EXPECT_NEAR(h.State().fallOffset, -0.9709452, 1e-6);

    h.Set(ParamWave, WaveTriangle);
    EXPECT_NEAR(h.State().riseSlope, 0.5150254, 1e-6);
    EXPECT_NEAR(h.State().fallSlope, 4.2362456, 1e-6);
    EXPECT_NEAR(h.State().fallOffset, 0.8333744, 1e-6);

    // The square keeps the slopes of the shape before it.
    h.Set(ParamWave, WaveSquare);
    EXPECT_EQ(h.State().waveShape, WaveSquare);
    EXPECT_NEAR(h.State().riseSlope, 0.5150254, 1e-6);
    EXPECT_NEAR(h.State().breakPhase, breakPhase, 1e-6);
}

TEST(EngineParameters, TimesFollowTheSampleRate) {
    EngineHarness h(44100.0, 64);
    h.Set(ParamMode, 0);
    h.Render(1);
    h.Set(ParamFade, 1);
    EXPECT_EQ(h.State().glideSamples, 11u); // a quarter of 1 ms at 44.1 kHz
    h.Set(ParamFade, 1000);
    EXPECT_EQ(h.State().glideSamples, 11025u);
    h.Set(ParamAttack, 800);
    EXPECT_FLOAT_EQ(h.State().attackStep, static_cast<float>(1000.0 / 800.0 / 44100.0));
    // Zero times act as 1 microsecond: the stage completes at once.
    h.Set(ParamRelease, 0);
    EXPECT_FLOAT_EQ(h.State().releaseStep, static_cast<float>(1000.0 / 0.001 / 44100.0));

    // A new rate recomputes everything derived from it.
    h.Setup(88200.0, 64);
    h.Render(1);
    EXPECT_EQ(h.State().sampleRate, 88200.0);
    EXPECT_EQ(h.State().glideSamples, 22050u);
    EXPECT_NEAR(h.State().targetIncL * 88200.0 / kTwoPi, 200.0, 1e-9);
}

TEST(EngineParameters, ModeSwitchResetsNotesAndRecallsTheCarrier) {
    EngineHarness h;
    EXPECT_TRUE(h.State().synthMode); // the default mode
    h.Render(1);
    h.NoteOn(69);
    EXPECT_GT(h.State().noteHz, 0.0f);
    EXPECT_EQ(h.State().heldNotes, 1);

    h.Set(ParamMode, 0);
    EXPECT_FALSE(h.State().synthMode);
    EXPECT_TRUE(h.State().resyncPhases);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 200.0, 1e-9);

    h.Set(ParamMode, 1);
    EXPECT_EQ(h.State().envelopeStage, 0);
    EXPECT_EQ(h.State().heldNotes, 0);
    EXPECT_EQ(h.State().envelopeLevel, 0.0);
    EXPECT_EQ(h.State().noteHz, 0.0f);
}

TEST(EngineParameters, ModeSwitchShowsTheLayoutOfTheMode) {
    EngineHarness h;
    auto surface = std::make_unique<RecordingSurface>();
    RecordingSurface* recorder = surface.get();
    h.plug.AttachEditor(std::move(surface));
    EXPECT_EQ(recorder->pushes, kNumEngineParams);
    EXPECT_EQ(recorder->prepared, 1);

    h.Set(ParamMode, 0);
    ASSERT_EQ(recorder->hides.size(), 5u);
    EXPECT_EQ(recorder->hides[0].index, ParamFrequency);
    EXPECT_FALSE(recorder->hides[0].hide);
    for (size_t i = 1; i < 5; ++i)
        EXPECT_TRUE(recorder->hides[i].hide);

    recorder->hides.clear();
    h.Set(ParamMode, 1);
    ASSERT_EQ(recorder->hides.size(), 5u);
    EXPECT_TRUE(recorder->hides[0].hide);
    for (size_t i = 1; i < 5; ++i)
        EXPECT_FALSE(recorder->hides[i].hide);
}
