#include "ICoreVST3.h"

ICoreVST3::ICoreVST3(int numParams, const char* channelIODescription, int numPresets,
                     const char* effectName, const char* productName, const char* makerName,
                     int32_t vendorVersion, uint32_t uniqueId, uint32_t makerId, int latency,
                     bool receivesMidi, bool savesChunks, bool isInstrument, int sideChainChannels_)
    : ICoreBase(numParams, channelIODescription, numPresets, effectName, productName, makerName,
                vendorVersion, uniqueId, makerId, latency, receivesMidi, savesChunks, isInstrument,
                1),
      sideChainChannels(sideChainChannels_) {}

void ICoreVST3::Initialize(const char* hostName) {
    IdentifyHost(hostName, 0);
    for (int i = 0; i < NumParams(); ++i)
        ApplyParameter(i);
}

void ICoreVST3::SetupProcessing(double rate, int maxSamplesPerBlock) {
    SetBypassed(false);
    SetSampleRate(rate);
    SetBlockSize(maxSamplesPerBlock);
    ResetEngine();
}

void ICoreVST3::TimeSignature(int* numerator, int* denominator) {
    if (numerator) *numerator = host.numerator;
    if (denominator) *denominator = host.denominator;
}

// Outgoing MIDI is not supported.
bool ICoreVST3::EmitMidiMessage(const MidiMessage&) {
    return false;
}

// Host edit notifications reach the host through its component handler,
// which the VST 3 controller side provides.
void ICoreVST3::BeginHostEdit(int) {}
void ICoreVST3::NotifyHostOfEdit(int, double) {}
void ICoreVST3::EndHostEdit(int) {}
