#include "CLS_TONEWELL.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <utility>

#include "FactoryPrograms.h"
#include "NumberRounding.h"

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

struct WaveConstants {
    double breakPhase, riseSlope, fallSlope, fallOffset;
};

inline double LimitToUnit(double sample) {
    if (sample >= 1.0) return 1.0;
    if (sample < -1.0) return -1.0;
    return sample;
}

// The two parts of every cycle meet at breakPhase, 61.8 % of the period.
template <int Shape> inline double ShapeSample(double phase, const WaveConstants& k) {
    if constexpr (Shape == WaveSine || Shape == WaveSineHalf) {
        const double warped =
            phase < k.breakPhase ? phase * k.riseSlope : phase * k.fallSlope + k.fallOffset;
        // A cosine never leaves -1..1; the other shapes are limited to it.
        if constexpr (Shape == WaveSine)
            return std::cos(warped);
        else
            return LimitToUnit(2.0 * std::sin(warped) - 1.0);
    } else if constexpr (Shape == WaveTriangle) {
        return LimitToUnit(phase < k.breakPhase ? phase * k.riseSlope - 1.0
                                                : k.fallSlope - phase * k.fallOffset);
    } else {
        return k.breakPhase > phase ? 1.0 : -1.0;
    }
}

} // namespace

CLS_TONEWELL::CLS_TONEWELL()
    : ICoreVST3(kNumEngineParams, kChannelIO, kNumPrograms, kEffectName, "", kMakerName, kVersion,
                kUniqueId, kMakerId, 0, true, false, true, 0) {
    state.phiRatio = kPhi;
    std::memset(state.appliedValues.data(), kUnappliedFill,
                state.appliedValues.size() * sizeof(state.appliedValues[0]));
    DefineParameters();
    BuildEditor();
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

// The editor surface is built here and attached to the core once the GUI
// exists; until then the instrument runs without one and every layout
// change is skipped.
void CLS_TONEWELL::BuildEditor() {}

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
    IEditorSurface* surface = Editor();
    if (!surface) return;
    surface->HideParamControls(ParamFrequency, synthesizer);
    for (EngineParam synthOnly : {ParamTuningFreq, ParamAttack, ParamRelease, ParamCenterFreq})
        surface->HideParamControls(synthOnly, !synthesizer);
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

        // One loop per shape and mix, chosen once per block. Any shape value
        // other than the first three plays as a square.
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
        const Renderer render = kRenderers[state.binaural ? 1 : 0][shape];
        (this->*render)(inputs, outputs, frames, blockGain, gainStep, stepL, stepR);
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
