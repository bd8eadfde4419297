#include "SampleCore.h"

#include <initializer_list>

namespace tonewell::snapshot {

namespace {
void DefineTexts(IEngineParam* param, const char* name, int defaultValue,
                 std::initializer_list<const char*> texts) {
    param->DefineEnum(name, defaultValue, static_cast<int>(texts.size()), "");
    int value = 0;
    for (const char* text : texts)
        param->SetValueText(value++, text);
}
} // namespace

SampleCore::SampleCore()
    : ICoreBase(kNumParams, "1-1 2-2", 1, "Tonewell sample", "", "Tonewell", 0x21E00, 0x53616D70,
                0x546F6E77, 0, true, false, true, 1) {
    GetParam(kFrequency)->DefineContinuous("Frequency", 200.0, 1.0, 20000.0, 0.1, "Hz");
    GetParam(kFrequency)->SetCurve(2.0);
    GetParam(kBinaural)->DefineContinuous("Binaural", 4.0, 0.0, 512.0, 0.01, "Hz");
    GetParam(kTuningFreq)->DefineContinuous("Tuning Freq", 440.0, 1.0, 20000.0, 0.1, "Hz");
    GetParam(kTuningFreq)->SetCurve(2.0);
    DefineTexts(GetParam(kWave), "Wave", 0, {"Sine", "Sine half", "Triangle", "Square"});
    DefineTexts(GetParam(kBeats), "Beats", 0, {"Binaural", "Monaural"});
    DefineTexts(GetParam(kPanReverse), "Pan Reverse", 0, {"No", "Yes"});
    GetParam(kAttack)->DefineInteger("Attack", 800, 0, 8000, "ms");
    GetParam(kRelease)->DefineInteger("Release", 500, 0, 8000, "ms");
    GetParam(kFade)->DefineInteger("Fade", 1000, 1, 90000, "ms");
    GetParam(kVolume)->DefineInteger("Volume", 90, 0, 100, "%");
    DefineTexts(GetParam(kMode), "Mode", 1, {"Generator", "Synthesizer"});
    DefineTexts(GetParam(kCenterFreq), "Center Freq", 0, {"No", "Yes"});
}

void SampleCore::TimeSignature(int* numerator, int* denominator) {
    if (numerator) *numerator = 4;
    if (denominator) *denominator = 4;
}

} // namespace tonewell::snapshot
