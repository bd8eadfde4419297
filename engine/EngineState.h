#pragma once

#include <array>
#include <cstdint>

#include "EngineParam.h"

// Everything the tone generator and the note input work on. Member widths
// matter: several values are deliberately single precision.
struct EngineState {
    double sampleRate = 0.0;   // cached by ResetEngine; 0 until the first block
    uint32_t glideSamples = 0; // glide time constant in samples ("Fade" / 4)
    int32_t waveShape = 0;     // WaveShape
    int32_t envelopeStage = 0; // 0 idle, 1 attack, 2 release
    uint32_t lastClockMs = 0;  // millisecond clock at the end of the previous block
    float carrierHz = 0.0f;    // generator-mode carrier
    float beatHz = 0.0f;       // beat frequency
    float tuningRefHz = 0.0f;  // pitch of MIDI note 69, folded into one octave
    float phiRatio = 0.0f;     // 1.618, the split of every wave cycle
    float targetGain = 0.0f;   // gain from "Volume"
    float currentGain = 0.0f;  // gain actually applied, ramped per sample
    float attackStep = 0.0f;   // envelope rise per sample
    float releaseStep = 0.0f;  // envelope fall per sample
    int32_t heldNotes = 0;
    std::array<int32_t, kNumEngineParams> appliedValues{}; // last quantised value per parameter
    double targetIncL = 0.0, currentIncL = 0.0;            // radians per sample
    double targetIncR = 0.0, currentIncR = 0.0;
    double phaseL = 0.0, phaseR = 0.0; // radians in [0, 2 pi)
    double envelopeLevel = 0.0;
    double velocityGain = 0.0;
    double breakPhase = 0.0, riseSlope = 0.0, fallSlope = 0.0, fallOffset = 0.0;
    bool started = false;
    bool binaural = false;
    bool synthMode = false;
    bool panReverse = false;
    bool resyncPhases = false;
    bool centerFreq = false;
    float noteHz = 0.0f; // sounding note in synthesizer mode, 0 when idle
};
