#pragma once

#include <cstdint>
#include <vector>

#include "CLS_TONEWELL.h"

// The instrument with a clock the test moves by hand.
class TestTonewell : public CLS_TONEWELL {
public:
    uint32_t clockMs = 100000;

protected:
    uint32_t ClockMs() const override { return clockMs; }
};

// Stereo input and output buffers for one block.
struct StereoBuffers {
    explicit StereoBuffers(int frames, double inputLevel = 0.0);
    std::vector<double> inL, inR, outL, outR;
    double* inputs[2];
    double* outputs[2];
};

// A prepared instrument: set up at a rate and block size, every parameter
// announced (so processing runs), host transport playing from position 0.
// Nothing has been rendered yet.
class EngineHarness {
public:
    explicit EngineHarness(double rate = 48000.0, int blockSize = 512);
    ~EngineHarness();

    // Sets up processing again at another rate or block size.
    void Setup(double newRate, int newBlockSize);
    // Stores a plain value and applies it, as a host edit would.
    void Set(int index, double plain);
    void SetTransport(int state, int32_t position);
    // Renders one block; the clock and the host position advance with it.
    StereoBuffers Render(int frames, double inputLevel = 0.0);
    // Renders whole blocks and returns the concatenated output channels.
    void RenderSeconds(double seconds, std::vector<double>& left, std::vector<double>& right);
    void Note(uint8_t status, uint8_t note, uint8_t velocity);
    void NoteOn(uint8_t note, uint8_t velocity = 127) { Note(0x90, note, velocity); }
    void NoteOff(uint8_t note) { Note(0x80, note, 0); }

    const EngineState& State() const { return plug.State(); }
    double IncrementHz(double increment) const;

    TestTonewell plug;
    double rate;
    int blockSize;

private:
    Steinberg::Vst::ProcessContext context{};
    double clockRemainder = 0.0;
};

// Frequency from the rising zero crossings, interpolated between samples.
double MeasureFrequency(const std::vector<double>& samples, double rate);
