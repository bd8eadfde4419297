#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ICoreBase.h"

// What the fakes saw, in order. Owned by the test so it outlives the core and
// the editor the core deletes.
struct Journal {
    std::vector<std::string> lines;
    int paramsAtEditorDeletion = -1;
};

// A core whose engine hooks record what they see. The host-facing operations
// are trivial; edits sent to the host are recorded.
class RecordingCore : public ICoreBase {
public:
    struct Applied {
        int index;
        double value; // the parameter's value when the engine was told
    };

    RecordingCore(Journal& journal, int numParams = 12, int numPresets = 130,
                  const char* channelIO = "1-1 2-2", const char* effectName = "Tonewell",
                  const char* productName = "Tonewell Product")
        : ICoreBase(Identity(numParams, numPresets, channelIO, effectName, productName), 1),
          journal(journal) {}

    static PluginIdentity Identity(int numParams, int numPresets, const char* channelIO,
                                   const char* effectName, const char* productName) {
        PluginIdentity id;
        id.name = effectName;
        id.productName = productName;
        id.vendor = "Maker";
        id.versionMajor = 2;
        id.versionMinor = 3;
        id.uniqueId = 0x546E776C;
        id.makerId = 0x4D6B7231;
        id.channelIO = channelIO;
        id.numParams = numParams;
        id.numPresets = numPresets;
        id.receivesMidi = true;
        id.isInstrument = true;
        return id;
    }

    void ApplyParameter(int index) override {
        // The engine takes the lock again from inside locked core operations.
        PluginLock::Holder hold(Lock());
        applied.push_back({index, GetParam(index)->PlainValue()});
        journal.lines.push_back("apply " + std::to_string(index));
    }
    void ProcessBlock(double** inputs, double** outputs, int frames) override {
        ++processBlockCalls;
        ICoreBase::ProcessBlock(inputs, outputs, frames);
    }
    void NotifyHostOfEdit(int index, double normalized) override {
        hostEdits.emplace_back(index, normalized);
        journal.lines.push_back("notify " + std::to_string(index));
    }
    bool EmitMidiMessage(const MidiMessage& message) override { return message.status != 0; }
    void BeginHostEdit(int index) override { begunEdits.push_back(index); }
    void EndHostEdit(int index) override { endedEdits.push_back(index); }
    int32_t SamplePosition() override { return 0; }
    double Tempo() override { return 120.0; }
    void TimeSignature(int* numerator, int* denominator) override {
        *numerator = 4;
        *denominator = 4;
    }

    void OpenProcessingGate() { processingEnabled = true; }
    std::vector<int> AppliedIndices() const {
        std::vector<int> indices;
        for (const Applied& a : applied)
            indices.push_back(a.index);
        return indices;
    }
    void ClearRecords() {
        applied.clear();
        hostEdits.clear();
        journal.lines.clear();
    }

    Journal& journal;
    std::vector<Applied> applied;
    std::vector<std::pair<int, double>> hostEdits;
    std::vector<int> begunEdits, endedEdits;
    int processBlockCalls = 0;
};

// An editor surface that records what the core pushes to it.
class FakeEditor : public IEditorSurface {
public:
    struct Push {
        int index;
        double value;
        bool isNormalized;
    };

    FakeEditor(Journal& journal, const ICoreBase* core) : journal(journal), core(core) {}
    ~FakeEditor() override {
        journal.lines.push_back("editor deleted");
        // Controls read their parameters until the end; the core must still have them.
        journal.paramsAtEditorDeletion = core->NumParams();
        for (int i = 0; i < core->NumParams(); ++i)
            (void)core->GetParam(i)->PlainValue();
    }

    void PushParamToControls(int paramIndex, double value, bool isNormalized) override {
        pushes.push_back({paramIndex, value, isNormalized});
        journal.lines.push_back("push " + std::to_string(paramIndex));
    }
    void PrepareDrawing() override {
        ++prepareCalls;
        journal.lines.push_back("prepare");
    }
    void HideParamControls(int, bool) override { ++hideCalls; }
    int Width() const override { return 368; }
    int Height() const override { return 370; }
    int FrameRate() const override { return 30; }
    void OpenEditorWindow(void*) override {}
    void CloseEditorWindow() override {}
    void StartParamChangeCountdown(int ticks) override { countdown = ticks; }
    void StopParamChangeCountdown() override { countdown = 0; }
    int countdown = 0;

    Journal& journal;
    const ICoreBase* core;
    std::vector<Push> pushes;
    int prepareCalls = 0;
    int hideCalls = 0;
};

// Twelve parameters shaped like the instrument's: continuous ones with a
// minimum above zero and a curve, integers, and enumerations with texts.
// Parameters 0 and 5 have minimum 1, so a restored 0.0 is visibly clamped.
inline void DefineTwelveParameters(ICoreBase& core) {
    core.GetParam(0)->DefineContinuous("Frequency", 200.0, 1.0, 20000.0, 0.1, "Hz");
    core.GetParam(0)->SetCurve(2.0);
    core.GetParam(1)->DefineContinuous("Binaural", 4.0, 0.0, 512.0, 0.01, "Hz");
    core.GetParam(2)->DefineContinuous("Tuning", 440.0, 1.0, 20000.0, 0.1, "Hz");
    core.GetParam(3)->DefineEnum("Wave", 0, 4, "");
    for (const char* text : {"Sine", "Sine half", "Triangle", "Square"})
        core.GetParam(3)->SetValueText(core.GetParam(3)->ValueTextCount(), text);
    core.GetParam(4)->DefineEnum("Beats", 0, 2, "");
    core.GetParam(5)->DefineInteger("Fade", 1000, 1, 90000, "ms");
    core.GetParam(6)->DefineInteger("Attack", 800, 0, 8000, "ms");
    core.GetParam(7)->DefineInteger("Release", 500, 0, 8000, "ms");
    core.GetParam(8)->DefineInteger("Volume", 90, 0, 100, "%");
    core.GetParam(9)->DefineEnum("Mode", 1, 2, "");
    core.GetParam(10)->DefineEnum("Pan Reverse", 0, 2, "");
    core.GetParam(11)->DefineEnum("Center", 0, 2, "");
}

// Plain values inside every range and different from the defaults.
inline std::vector<double> OtherValues() {
    return {432.5, 7.83, 444.4, 2.0, 1.0, 2500.0, 100.0, 250.0, 75.0, 0.0, 1.0, 1.0};
}

inline std::vector<double> PlainValues(const ICoreBase& core) {
    std::vector<double> values;
    for (int i = 0; i < core.NumParams(); ++i)
        values.push_back(core.GetParam(i)->PlainValue());
    return values;
}

inline void SetPlainValues(ICoreBase& core, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        core.GetParam(static_cast<int>(i))->SetPlainValue(values[i]);
}
