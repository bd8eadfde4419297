#include "CLS_TONEWELL.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "EditorSurface.h"
#include "FactoryPrograms.h"
#include "GRAPH.h"
#include "IBitmapControl.h"
#include "IButton.h"
#include "IGraphics.h"
#include "IKnobArcImg.h"
#include "ISlider.h"
#include "ISwitchControl.h"
#include "ISwitchLbl.h"
#include "ITextControl.h"
#include "IURLControl.h"
#include "ModuleHandle.h"
#include "NumberRounding.h"
#include "TonewellIdentity.h"
#include "WaveShape.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kInvTwoPi = 0.15915494309189535;
constexpr float kPhi = 1.618f;
// Fills every applied value with a pattern no parameter can produce, so the
// first application of each parameter always takes effect.
constexpr unsigned char kUnappliedFill = 155;
constexpr uint32_t kResyncPauseMs = 500;
constexpr float kLowestTuningHz = 261.63f;
constexpr float kHighestTuningHz = 523.25f;

} // namespace

CLS_TONEWELL::CLS_TONEWELL(EditorSurfaceFactory makeSurface) : ICoreVST3(kTonewellIdentity) {
    state.phiRatio = kPhi;
    std::memset(state.appliedValues.data(), kUnappliedFill,
                state.appliedValues.size() * sizeof(state.appliedValues[0]));
    shapeKernelLevel = BestShapeKernelLevel();
    DefineParameters();
    BuildEditor(makeSurface ? makeSurface : MakePlatformEditorSurface);
    BuildPrograms();
}

CLS_TONEWELL::~CLS_TONEWELL() = default;

void CLS_TONEWELL::DefineParameters() {
    auto define = [this](EngineParam index) { return GetParam(index); };

    IEngineParam* frequency = define(ParamFrequency);
    frequency->DefineContinuous("Frequency", 200.0, 1.0, 20000.0, 0.1, "Hz");
    frequency->SetCurve(2.0);
    define(ParamBeatFreq)->DefineContinuous("Binaural", 4.0, 0.0, 512.0, 0.01, "Hz");
    IEngineParam* tuning = define(ParamTuningFreq);
    tuning->DefineContinuous("Tuning Freq", 440.0, 1.0, 20000.0, 0.1, "Hz");
    tuning->SetCurve(2.0);

    IEngineParam* wave = define(ParamWave);
    wave->DefineEnum("Wave", 0, 4, "");
    wave->SetValueText(WaveSine, "Sine");
    wave->SetValueText(WaveSineHalf, "Sine half");
    wave->SetValueText(WaveTriangle, "Triangle");
    wave->SetValueText(WaveSquare, "Square");

    IEngineParam* beats = define(ParamBeats);
    beats->DefineEnum("Beats", 0, 2, "");
    beats->SetValueText(0, "Binaural");
    beats->SetValueText(1, "Monaural");

    IEngineParam* panReverse = define(ParamPanReverse);
    panReverse->DefineEnum("Pan Reverse", 0, 2, "");
    panReverse->SetValueText(0, "No");
    panReverse->SetValueText(1, "Yes");

    define(ParamAttack)->DefineInteger("Attack", 800, 0, 8000, "ms");
    define(ParamRelease)->DefineInteger("Release", 500, 0, 8000, "ms");
    define(ParamFade)->DefineInteger("Fade", 1000, 1, 90000, "ms");
    define(ParamVolume)->DefineInteger("Volume", 90, 0, 100, "%");

    IEngineParam* mode = define(ParamMode);
    mode->DefineEnum("Mode", 1, 2, "");
    mode->SetValueText(0, "Generator");
    mode->SetValueText(1, "Synthesizer");

    IEngineParam* centerFreq = define(ParamCenterFreq);
    centerFreq->DefineEnum("Center Freq", 0, 2, "");
    centerFreq->SetValueText(0, "No");
    centerFreq->SetValueText(1, "Yes");
}

namespace {

enum EditorImage {
    ImageBackground = 100,
    ImageKnob,
    ImageKnobSmall,
    ImageWave,
    ImagePanButton,
    ImageBeatsButton,
    ImageModeButton,
    ImageCaption,
    ImageCover,
    ImageSliderHandle,
    ImageCentreSwitch,
};

constexpr const char* kPluginPage = "https://kestrin.audio/tonewell";
constexpr const char* kVendorSite = "https://kestrin.audio";

const ITextStyle kVersionStyle{"Verdana", 13, IArgb{100, 255, 255, 255}};
const ITextStyle kKnobStyle{"Arial", 15, IArgb{200, 255, 255, 255}};
// Size 0: the centre switch prints no caption under its picture.
const ITextStyle kSwitchStyle{"Arial", 0, IArgb{255, 0, 0, 0}, 0, ITextStyle::kCentre};

struct KnobPlace {
    EngineParam param;
    double centreX, centreY;
    IArgb arcColour;
};
struct KnobLook {
    float arcRadius, arcThickness;
};
constexpr KnobLook kLargeKnob{33.0f, 6.3f};
constexpr KnobLook kSmallKnob{25.0f, 5.0f};
const IArgb kFrequencyArc{255, 100, 200, 255};
const IArgb kBinauralArc{255, 100, 250, 255};
const IArgb kEnvelopeArc{255, 200, 200, 200};

std::unique_ptr<IKnobArcImg> MakeKnob(ICoreBase* plug, const KnobPlace& place, const KnobLook& look,
                                      const IImage& body) {
    // Value text alone in the middle, 300-degree sweep, vertical drag at
    // gearing 4, dimmed by a fifth under the pointer.
    return std::make_unique<IKnobArcImg>(plug, place.param, place.centreX, place.centreY,
                                         kKnobStyle, place.arcColour, look.arcRadius,
                                         look.arcThickness, -4, 4, 2, 300, 4.0, 0, 0.2f, body, 300,
                                         2, look.arcRadius, look.arcThickness, 0.2f);
}

// "v" with the major and minor version, the minor's last digit dropped:
// 0x21E00 shows as v2.3.
std::string VersionText(int32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "v%d.%02d", (version >> 16) & 0xFFFF, (version >> 8) & 0xFF);
    std::string shown(text);
    shown.pop_back();
    return shown;
}

} // namespace

void CLS_TONEWELL::BuildEditor(EditorSurfaceFactory makeSurface) {
    std::unique_ptr<IGraphics> owned =
        makeSurface(this, kEditorWidth, kEditorHeight, 0, ResourceInstance());
    if (!owned) return;
    IGraphics& g = *owned;
    ICoreBase* plug = this;

    g.AddBackground(ImageBackground);
    auto graph = std::make_unique<GRAPH>(*this, IBounds{246, 125, 348, 197});
    display = graph.get();
    g.AddControl(std::move(graph));
    g.AddControl(std::make_unique<ITextControl>(plug, IBounds{30, 42, 80, 60}, kVersionStyle,
                                                VersionText(VendorVersion())));
    g.AddControl(
        std::make_unique<IURLControl>(plug, IBounds{71, 7, 263, 54}, kPluginPage, kVendorSite, ""));

    // The knobs get the right half of each strip (the still body) and find
    // the left half (the turning pointer) in the image cache by its id.
    IImage knobBody = g.GetImage(ImageKnob);
    g.SplitImage(knobBody, 0.5);
    IImage smallKnobBody = g.GetImage(ImageKnobSmall);
    g.SplitImage(smallKnobBody, 0.5);

    g.AddControl(MakeKnob(plug, {ParamFrequency, 77, 133, kFrequencyArc}, kLargeKnob, knobBody));
    g.AddControl(MakeKnob(plug, {ParamTuningFreq, 77, 133, kFrequencyArc}, kLargeKnob, knobBody));
    g.HideParamControls(ParamFrequency, true);

    auto caption = std::make_unique<IBitmapControl>(plug, 20, 178, -1, g.GetImage(ImageCaption));
    captionImage = caption.get();
    g.AddControl(std::move(caption));
    captionImage->SetHidden(true);

    g.AddControl(MakeKnob(plug, {ParamBeatFreq, 181, 133, kBinauralArc}, kLargeKnob, knobBody));
    g.AddControl(std::make_unique<IButton>(plug, ParamPanReverse, 42, 206,
                                           g.GetImage(ImagePanButton), 0.0f));
    g.AddControl(
        std::make_unique<IButton>(plug, ParamBeats, 30, 234, g.GetImage(ImageBeatsButton), 0.0f));
    g.AddControl(std::make_unique<ISlider>(plug, ParamFade, IBounds{134, 218, 224, 251},
                                           g.GetImage(ImageSliderHandle), kKnobStyle,
                                           IArgb{255, 120, 120, 120}, 83, 6, true, 1, false, 0.1f));
    g.AddControl(
        std::make_unique<IButton>(plug, ParamMode, 246, 232, g.GetImage(ImageModeButton), 0.0f));
    g.AddControl(
        std::make_unique<ISwitchControl>(plug, 47, 285, ParamWave, g.GetImage(ImageWave, 4)));
    g.AddControl(MakeKnob(plug, {ParamAttack, 145, 299, kEnvelopeArc}, kSmallKnob, smallKnobBody));
    g.AddControl(MakeKnob(plug, {ParamRelease, 225, 299, kEnvelopeArc}, kSmallKnob, smallKnobBody));
    g.AddControl(MakeKnob(plug, {ParamVolume, 305, 299, kEnvelopeArc}, kSmallKnob, smallKnobBody));

    g.AddControl(std::make_unique<ISwitchLbl>(plug, 264, 201, ParamCenterFreq,
                                              g.GetImage(ImageCentreSwitch, 2), kSwitchStyle, 78,
                                              IBlend{IBlend::kSourceAlpha, 1.0f}, 0.2f));
    g.HideParamControls(ParamCenterFreq, true);

    auto first = std::make_unique<IBitmapControl>(plug, 104, 261, -1, g.GetImage(ImageCover));
    cover1 = first.get();
    g.AddControl(std::move(first));
    cover1->SetHidden(true);
    auto second = std::make_unique<IBitmapControl>(plug, 184, 261, -1, g.GetImage(ImageCover));
    cover2 = second.get();
    g.AddControl(std::move(second));
    cover2->SetHidden(true);

    surface = owned.get();
    AttachEditor(std::move(owned));
    surface->SetHandleMouseOver(true);
}

void CLS_TONEWELL::BuildPrograms() {
    AddDefaultPreset(kDefaultProgramName, 1);
    for (const FactoryProgram& p : FactoryPrograms())
        AddPresetFromValues(p.name, p.frequency, p.beat, p.tuning, p.wave, p.beats, p.panReverse,
                            p.attack, p.release, p.fade, p.volume, p.mode, p.centerFreq);
}

uint32_t CLS_TONEWELL::ClockMs() const {
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(now.count());
}

void CLS_TONEWELL::ApplyParameter(int index) {
    PluginLock::Holder hold(Lock());
    const IEngineParam* param = GetParam(index);
    if (!param || index >= kNumEngineParams) return;

    // Frequencies act in tenths (the beat in hundredths) of a hertz, the
    // rest in whole units; only a change of the quantised value acts.
    const double scale = index == ParamFrequency || index == ParamTuningFreq ? 10.0
                         : index == ParamBeatFreq                            ? 100.0
                                                                             : 1.0;
    const int32_t applied = RoundHalfAwayToInt(param->PlainValue() * scale);
    int32_t& previous = state.appliedValues[static_cast<size_t>(index)];
    if (applied == previous) return;
    previous = applied;
    const double x = applied;

    switch (index) {
    case ParamFrequency:
        state.carrierHz = static_cast<float>(applied) * 0.1f;
        UpdateIncrements();
        break;
    case ParamBeatFreq:
        state.beatHz = static_cast<float>(applied) * 0.01f;
        UpdateIncrements();
        break;
    case ParamTuningFreq:
        // The new reference applies from the next note.
        FoldTuning(applied);
        break;
    case ParamWave:
        SetWaveShape(applied);
        break;
    case ParamBeats:
        state.binaural = !(x > 0.5);
        break;
    case ParamPanReverse:
        // Exchanging the targets lets the two tones glide across each other.
        if ((state.panReverse && x < 0.5) || (!state.panReverse && x > 0.5))
            std::swap(state.targetIncL, state.targetIncR);
        state.panReverse = x > 0.5;
        break;
    case ParamAttack:
        state.attackStep = static_cast<float>(1000.0 / std::max(x, 0.001) / state.sampleRate);
        break;
    case ParamRelease:
        state.releaseStep = static_cast<float>(1000.0 / std::max(x, 0.001) / state.sampleRate);
        break;
    case ParamFade:
        state.glideSamples = RoundHalfAwayToUnsigned(x * state.sampleRate * 0.00025);
        break;
    case ParamVolume:
        state.targetGain =
            static_cast<float>(0.999 * std::pow(2.0, (x * 64.0 * 0.01 - 64.0) / 6.0));
        break;
    case ParamMode:
        SwitchMode(x > 0.5);
        break;
    case ParamCenterFreq:
        state.centerFreq = x > 0.5;
        UpdateIncrements();
        break;
    default:
        break;
    }
    CountTowardsGate(index);
}

void CLS_TONEWELL::CountTowardsGate(int index) {
    if (processingEnabled) return;
    bool& marked = gateMarks[static_cast<size_t>(index)];
    if (!marked) {
        marked = true;
        --pendingParams;
    }
    if (pendingParams < 1) processingEnabled = true;
}

void CLS_TONEWELL::SetWaveShape(int shape) {
    state.waveShape = shape;
    const float phi = state.phiRatio;
    state.breakPhase = kTwoPi / phi;
    switch (shape) {
    case WaveSine:
        state.riseSlope = phi * 0.5;
        state.fallSlope = phi / (phi - 1.0f) * 0.5;
        state.fallOffset = (phi - 2.0f) * kPi / (phi - 1.0f);
        break;
    case WaveSineHalf:
        state.riseSlope = phi * 0.25;
        state.fallSlope = phi / (phi - 1.0f) * 0.25;
        state.fallOffset = (phi - 2.0f) * kPi / (phi - 1.0f) * 0.5;
        break;
    case WaveTriangle:
        state.riseSlope = 2.0 / state.breakPhase;
        state.fallSlope = (phi + 1.0f) / (phi - 1.0f);
        state.fallOffset = phi / kPi / (phi - 1.0f);
        break;
    default:
        // The square wave needs only the break point.
        break;
    }
}

IGraphics* CLS_TONEWELL::Surface() const {
    // Another surface attached later replaces (and deletes) the layout's.
    return surface && Editor() == static_cast<IEditorSurface*>(surface) ? surface : nullptr;
}

void CLS_TONEWELL::SwitchMode(bool synthesizer) {
    state.synthMode = synthesizer;
    if (synthesizer) {
        // Silent until the next note.
        state.envelopeStage = 0;
        state.heldNotes = 0;
        state.envelopeLevel = 0.0;
        state.noteHz = 0.0f;
    } else {
        state.appliedValues[ParamFrequency] = -1;
        ApplyParameter(ParamFrequency);
    }
    ShowModeLayout(synthesizer);
    UpdateIncrements();
    state.resyncPhases = true;
}

void CLS_TONEWELL::ShowModeLayout(bool synthesizer) {
    IEditorSurface* editor = Editor();
    if (!editor) return;
    editor->HideParamControls(ParamFrequency, synthesizer);
    for (EngineParam synthOnly : {ParamTuningFreq, ParamAttack, ParamRelease, ParamCenterFreq})
        editor->HideParamControls(synthOnly, !synthesizer);
    if (!Surface()) return;
    captionImage->SetHidden(synthesizer);
    // The covers lie over the envelope knobs, which only the synthesizer uses.
    cover1->SetHidden(synthesizer);
    cover2->SetHidden(synthesizer);
}

void CLS_TONEWELL::UpdateIncrements() {
    float base = state.synthMode ? state.noteHz : state.carrierHz;
    // Centred: the two tones sit around the carrier, the lower never below 1 Hz.
    if (state.centerFreq) base = static_cast<float>(std::max(base - state.beatHz * 0.5, 1.0));
    const float upper = base + state.beatHz;
    const float left = state.panReverse ? upper : base;
    const float right = state.panReverse ? base : upper;
    state.targetIncL = left * kTwoPi * (1.0 / state.sampleRate);
    state.targetIncR = right * kTwoPi * (1.0 / state.sampleRate);
}

void CLS_TONEWELL::FoldTuning(int tenths) {
    const float hundredths = 10.0f * static_cast<float>(tenths);
    state.tuningRefHz = static_cast<float>(tenths) * 0.1f;
    if (state.tuningRefHz < kLowestTuningHz) {
        for (int i = 1; i <= 10; ++i) {
            const float candidate = RoundHalfAwayFloat(std::ldexp(hundredths, i)) * 0.01f;
            if (candidate > kHighestTuningHz) break;
            state.tuningRefHz = candidate;
            if (candidate >= kLowestTuningHz) break;
        }
    }
    if (state.tuningRefHz > kHighestTuningHz) {
        for (int i = 1; i <= 10; ++i) {
            const float candidate = RoundHalfAwayFloat(std::ldexp(hundredths, -i)) * 0.01f;
            if (candidate < kLowestTuningHz) break;
            state.tuningRefHz = candidate;
            if (candidate <= kHighestTuningHz) break;
        }
    }
}

void CLS_TONEWELL::ResetEngine() {
    PluginLock::Holder hold(Lock());
    if (!state.started) return;
    if (SampleRate() != state.sampleRate) {
        state.sampleRate = SampleRate();
        // Everything derived from the rate is recomputed.
        for (EngineParam index :
             {ParamFrequency, ParamBeatFreq, ParamAttack, ParamRelease, ParamFade}) {
            state.appliedValues[index] = -1;
            ApplyParameter(index);
        }
    }
    state.heldNotes = 0;
    state.resyncPhases = true;
}

void CLS_TONEWELL::HandleMidiMessage(const MidiMessage& message) {
    PluginLock::Holder hold(Lock());
    if (!state.synthMode) return;

    const int kind = message.Kind();
    const int velocity = message.Velocity();
    if (kind == MidiMessage::kNoteOn && velocity > 0) {
        // One voice, last note wins; the attack continues from the current level.
        state.velocityGain = static_cast<float>(velocity) * 0.007874016f;
        const float semitones = static_cast<float>(message.NoteNumber() - 69) * 0.083333336f;
        state.noteHz = std::pow(2.0f, semitones) * state.tuningRefHz;
        UpdateIncrements();
        ++state.heldNotes;
        state.envelopeStage = 1;
    } else if (kind == MidiMessage::kNoteOff || kind == MidiMessage::kNoteOn) {
        // Note offs are not matched to notes: the release starts when none is held.
        if (--state.heldNotes <= 0) {
            state.heldNotes = 0;
            if (state.envelopeStage == 1) state.envelopeStage = 2;
        }
    }
    EmitMidiMessage(message);
}

void CLS_TONEWELL::ProcessBlock(double** inputs, double** outputs, int frames) {
    frames = std::max(frames, 0);
    if (!state.started) {
        state.started = true;
        ResetEngine();
        // The first block starts on pitch rather than gliding.
        state.currentIncL = state.targetIncL;
        state.currentIncR = state.targetIncR;
    }

    // Target gain for the end of this block.
    float blockGain;
    if (state.synthMode) {
        // The envelope advances once per block.
        switch (state.envelopeStage) {
        case 1:
            state.envelopeLevel += static_cast<float>(frames) * state.attackStep;
            if (state.envelopeLevel >= 1.0) state.envelopeLevel = 1.0;
            break;
        case 2:
            state.envelopeLevel -= static_cast<float>(frames) * state.releaseStep;
            if (!(state.envelopeLevel > 0.0)) {
                state.envelopeLevel = 0.0;
                state.envelopeStage = 0;
            }
            break;
        case 0:
            if (state.noteHz > 0.0f) state.noteHz = 0.0f;
            break;
        default:
            break;
        }
        const double level = std::min(state.velocityGain * state.envelopeLevel, 1.0);
        blockGain = static_cast<float>(state.targetGain * level);
    } else {
        blockGain = TransportState() != 0 ? state.targetGain : 0.0f;
    }

    // After a reset, a mode change or a pause the phases follow the host position.
    const uint32_t now = ClockMs();
    if (state.resyncPhases || now - state.lastClockMs > kResyncPauseMs) {
        const double position = static_cast<double>(SamplePosition());
        state.phaseL = std::fmod(position * state.targetIncL * kInvTwoPi, 1.0) * 2.0 * kPi;
        state.phaseR = std::fmod(position * state.targetIncR * kInvTwoPi, 1.0) * 2.0 * kPi;
        state.resyncPhases = false;
    }

    if (frames > 0) {
        // Each block covers frames / max(glide, frames) of the remaining glide.
        double stepL = 0.0, stepR = 0.0;
        if (std::fabs(state.targetIncL - state.currentIncL) > 1e-24 ||
            std::fabs(state.targetIncR - state.currentIncR) > 1e-24) {
            const double span = std::max(state.glideSamples, static_cast<uint32_t>(frames));
            stepL = (state.targetIncL - state.currentIncL) / span;
            stepR = (state.targetIncR - state.currentIncR) / span;
        }
        const float gainStep = (blockGain - state.currentGain) / static_cast<float>(frames);

        // The reference renders one frame at a time, with one loop per shape
        // and mix, chosen once per block. Any shape value other than the
        // first three plays as a square.
        using Renderer =
            void (CLS_TONEWELL::*)(double**, double**, int, float, float, double, double);
        static constexpr Renderer kRenderers[2][4] = {
            {&CLS_TONEWELL::RenderFrames<WaveSine, false>,
             &CLS_TONEWELL::RenderFrames<WaveSineHalf, false>,
             &CLS_TONEWELL::RenderFrames<WaveTriangle, false>,
             &CLS_TONEWELL::RenderFrames<WaveSquare, false>},
            {&CLS_TONEWELL::RenderFrames<WaveSine, true>,
             &CLS_TONEWELL::RenderFrames<WaveSineHalf, true>,
             &CLS_TONEWELL::RenderFrames<WaveTriangle, true>,
             &CLS_TONEWELL::RenderFrames<WaveSquare, true>}};
        const int shape = state.waveShape >= WaveSine && state.waveShape <= WaveTriangle
                              ? state.waveShape
                              : WaveSquare;
        if (shapeKernelLevel == ShapeKernelLevel::Reference) {
            const Renderer render = kRenderers[state.binaural ? 1 : 0][shape];
            (this->*render)(inputs, outputs, frames, blockGain, gainStep, stepL, stepR);
        } else {
            RenderBatches(inputs, outputs, frames, blockGain, gainStep, stepL, stepR,
                          FindShapeKernel(shapeKernelLevel, shape, state.binaural));
        }
    }
    state.lastClockMs = now;
}

template <int Shape, bool Binaural>
void CLS_TONEWELL::RenderFrames(double** inputs, double** outputs, int frames, float blockGain,
                                float gainStep, double stepL, double stepR) {
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    const WaveConstants k{state.breakPhase, state.riseSlope, state.fallSlope, state.fallOffset};
    double incL = state.currentIncL, incR = state.currentIncR;
    double phaseL = state.phaseL, phaseR = state.phaseR;
    float gain = state.currentGain;
    const int last = frames - 1;
    // While the block's target is above 0 no frame can fall silent.
    const bool mayFallSilent = !(blockGain > 0.0f);

    for (int i = 0; i < frames; ++i) {
        if (mayFallSilent && !(gain > 0.0f)) {
            // Silent from here to the end of the block: the input passes
            // through and the oscillators stand still.
            const size_t rest = static_cast<size_t>(frames - i) * sizeof(double);
            std::memmove(outL + i, inL + i, rest);
            std::memmove(outR + i, inR + i, rest);
            break;
        }
        incL += stepL;
        incR += stepR;
        // The ramp ends exactly on the target, so a fade to 0 ends in silence.
        gain = i == last ? blockGain : gain + gainStep;

        const double yL = ShapeSample<Shape>(phaseL, k);
        const double yR = ShapeSample<Shape>(phaseR, k);
        const double a = gain;
        if constexpr (Binaural) {
            outL[i] = inL[i] + a * yL;
            outR[i] = inR[i] + a * yR;
        } else {
            // Not halved: two tones in phase reach twice the gain.
            const double sum = yL + yR;
            outL[i] = inL[i] + a * sum;
            outR[i] = inR[i] + a * sum;
        }

        phaseL += incL;
        if (phaseL >= kTwoPi) phaseL -= kTwoPi;
        phaseR += incR;
        if (phaseR >= kTwoPi) phaseR -= kTwoPi;
    }

    state.currentIncL = incL;
    state.currentIncR = incR;
    state.phaseL = phaseL;
    state.phaseR = phaseR;
    state.currentGain = gain;
}

void CLS_TONEWELL::RenderBatches(double** inputs, double** outputs, int frames, float blockGain,
                                 float gainStep, double stepL, double stepR, ShapeKernel kernel) {
    ShapeBatch batch{};
    batch.phaseL = batchPhaseL.data();
    batch.phaseR = batchPhaseR.data();
    batch.gain = batchGain.data();
    batch.wave = {state.breakPhase, state.riseSlope, state.fallSlope, state.fallOffset};
    double incL = state.currentIncL, incR = state.currentIncR;
    double phaseL = state.phaseL, phaseR = state.phaseR;
    float gain = state.currentGain;
    const int last = frames - 1;
    const bool mayFallSilent = !(blockGain > 0.0f);

    for (int start = 0; start < frames; start += kBatchFrames) {
        // The same steps as the reference, frame for frame, but the phases
        // and gains are stored and the shapes left to the kernel.
        const int count = std::min(kBatchFrames, frames - start);
        int active = 0;
        for (; active < count; ++active) {
            if (mayFallSilent && !(gain > 0.0f)) break;
            incL += stepL;
            incR += stepR;
            gain = start + active == last ? blockGain : gain + gainStep;
            batchPhaseL[active] = phaseL;
            batchPhaseR[active] = phaseR;
            batchGain[active] = gain;
            phaseL += incL;
            if (phaseL >= kTwoPi) phaseL -= kTwoPi;
            phaseR += incR;
            if (phaseR >= kTwoPi) phaseR -= kTwoPi;
        }
        batch.inL = inputs[0] + start;
        batch.inR = inputs[1] + start;
        batch.outL = outputs[0] + start;
        batch.outR = outputs[1] + start;
        batch.frames = active;
        kernel(batch);
        if (active < count) {
            // Silent from here to the end of the block, as in the reference.
            const int from = start + active;
            const size_t rest = static_cast<size_t>(frames - from) * sizeof(double);
            std::memmove(outputs[0] + from, inputs[0] + from, rest);
            std::memmove(outputs[1] + from, inputs[1] + from, rest);
            break;
        }
    }

    state.currentIncL = incL;
    state.currentIncR = incR;
    state.phaseL = phaseL;
    state.phaseR = phaseR;
    state.currentGain = gain;
}

void CLS_TONEWELL::SetShapeKernelLevel(ShapeKernelLevel level) {
    shapeKernelLevel = std::min(level, BestShapeKernelLevel());
}
