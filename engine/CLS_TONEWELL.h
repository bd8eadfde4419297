#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "EngineParam.h"
#include "EngineState.h"
#include "ICoreVST3.h"
#include "ShapeKernels.h"

class GRAPH;
class IControl;
class IGraphics;

// The Tonewell instrument: binaural and monaural beat generator and
// monophonic synthesizer. Every parameter value reaches the engine through
// ApplyParameter; rendering and notes read only the engine state.
class CLS_TONEWELL : public ICoreVST3 {
public:
    // Makes the editor surface the layout is built on; the platform's own
    // (a window where there is one) unless another is given.
    using EditorSurfaceFactory = std::unique_ptr<IGraphics> (*)(ICoreBase* plug, int width,
                                                                int height, int fps,
                                                                void* resourceModule);
    static constexpr int kEditorWidth = 368;
    static constexpr int kEditorHeight = 370;

    explicit CLS_TONEWELL(EditorSurfaceFactory makeSurface = nullptr);
    ~CLS_TONEWELL() override;

    void ResetEngine() override;
    void ApplyParameter(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) override;
    void HandleMidiMessage(const MidiMessage& message) override;

    // Recomputes the two target phase increments from carrier or note,
    // beat, centring and pan reversal.
    void UpdateIncrements();
    // Folds a tuning frequency, in tenths of a hertz, into 261.63..523.25 Hz.
    void FoldTuning(int tenths);

    // How the wave shapes are computed: the widest instruction set the
    // processor has unless set lower (the reference renders one frame at a
    // time with the library's cos and sin). Levels above the processor's
    // best give its best.
    void SetShapeKernelLevel(ShapeKernelLevel level);

    const EngineState& State() const { return state; }
    // The editor surface the layout was built on; null once another surface
    // replaced it. The layout's elements below are valid while it is not null.
    IGraphics* Surface() const;
    GRAPH* FrequencyDisplay() const { return display; }
    IControl* CaptionImage() const { return captionImage; }
    IControl* CoverImage(int which) const { return which == 0 ? cover1 : cover2; }
    int PendingParams() const { return pendingParams; }

protected:
    // Monotonic milliseconds; a pause of more than half a second between
    // blocks re-derives the phases from the host position.
    virtual uint32_t ClockMs() const;

private:
    void DefineParameters();
    void BuildEditor(EditorSurfaceFactory makeSurface);
    void BuildPrograms();
    void SetWaveShape(int shape);
    void SwitchMode(bool synthesizer);
    void ShowModeLayout(bool synthesizer);
    void CountTowardsGate(int index);

    template <int Shape, bool Binaural>
    void RenderFrames(double** inputs, double** outputs, int frames, float blockGain,
                      float gainStep, double stepL, double stepR);

    // Advances phases, increments and gain frame by frame exactly as the
    // reference does, storing them for the kernel, a batch at a time.
    void RenderBatches(double** inputs, double** outputs, int frames, float blockGain,
                       float gainStep, double stepL, double stepR, ShapeKernel kernel);

    static constexpr int kBatchFrames = 256;

    EngineState state;
    // Owned by the surface, which the core owns; valid for the plug-in's life.
    IGraphics* surface = nullptr;
    GRAPH* display = nullptr;
    IControl* captionImage = nullptr;
    IControl* cover1 = nullptr;
    IControl* cover2 = nullptr;
    ShapeKernelLevel shapeKernelLevel = ShapeKernelLevel::Reference;
    std::array<double, kBatchFrames> batchPhaseL{};
    std::array<double, kBatchFrames> batchPhaseR{};
    std::array<double, kBatchFrames> batchGain{};
    int pendingParams = kNumEngineParams;
    std::array<bool, kNumEngineParams> gateMarks{};
};
