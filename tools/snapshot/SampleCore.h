// A stand-in for the instrument's plug-in core behind the sample editor: the
// instrument's twelve parameters with their ranges and texts, no engine, and
// a record of the edits the editor sends.
#pragma once

#include <utility>
#include <vector>

#include "ICoreBase.h"

namespace tonewell::snapshot {

class SampleCore : public ICoreBase {
public:
    enum Param {
        kFrequency = 0,
        kBinaural,
        kTuningFreq,
        kWave,
        kBeats,
        kPanReverse,
        kAttack,
        kRelease,
        kFade,
        kVolume,
        kMode,
        kCenterFreq,
        kNumParams
    };

    SampleCore();

    void BeginHostEdit(int index) override { begun.push_back(index); }
    void NotifyHostOfEdit(int index, double normalized) override {
        edits.emplace_back(index, normalized);
    }
    void EndHostEdit(int index) override { ended.push_back(index); }
    int32_t SamplePosition() override { return 0; }
    double Tempo() override { return 120.0; }
    void TimeSignature(int* numerator, int* denominator) override;
    bool EmitMidiMessage(const MidiMessage&) override { return true; }

    std::vector<int> begun, ended;
    std::vector<std::pair<int, double>> edits;
};

} // namespace tonewell::snapshot
