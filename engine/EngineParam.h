#pragma once

// The engine's parameters; the index is also the host parameter id, the
// control binding and the position in the stored state.
enum EngineParam : int {
    ParamFrequency = 0,
    ParamBeatFreq,
    ParamTuningFreq,
    ParamWave,
    ParamBeats,
    ParamPanReverse,
    ParamAttack,
    ParamRelease,
    ParamFade,
    ParamVolume,
    ParamMode,
    ParamCenterFreq,
    kNumEngineParams
};

enum WaveShape : int { WaveSine = 0, WaveSineHalf, WaveTriangle, WaveSquare };
