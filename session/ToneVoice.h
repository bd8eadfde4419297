#pragma once

#include <memory>

#include "ToneSpec.h"

namespace tonewell::session {

// One tone generator: a carrier and a beat, the higher tone left for a
// positive beat, at full scale. Changes of frequency keep the phase.
class ToneVoice {
public:
    virtual ~ToneVoice() = default;
    virtual void Set(double carrier, double beat, Waveform wave) = 0;
    // Writes `frames` frames (at most the block size the voice was made for).
    virtual void Render(double* left, double* right, int frames) = 0;
};

class VoiceFactory {
public:
    virtual ~VoiceFactory() = default;
    virtual std::unique_ptr<ToneVoice> Create(int sampleRate, int maxFrames) = 0;
};

// The audio a session mixes in (mix/, mixspin:, mixpulse:).
class MixSource {
public:
    virtual ~MixSource() = default;
    virtual void Read(double* left, double* right, int frames) = 0;
};

} // namespace tonewell::session
