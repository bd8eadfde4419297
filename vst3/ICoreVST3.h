#pragma once

#include <cstdint>

#include "ICoreBase.h"

// The VST 3 side of the plug-in core: host transport and timeline, host
// edits and MIDI output. The engine reads the transport through it.
class ICoreVST3 : public ICoreBase {
public:
    // Host transport and timeline of the current block.
    struct HostTimeline {
        int transportState = 0; // 0 stopped, 1 playing, 2 recording
        int32_t samplePosition = 0;
        double tempo = 120.0;
        int numerator = 4;
        int denominator = 4;
    };

    ICoreVST3(int numParams, const char* channelIODescription, int numPresets,
              const char* effectName, const char* productName, const char* makerName,
              int32_t vendorVersion, uint32_t uniqueId, uint32_t makerId, int latency,
              bool receivesMidi, bool savesChunks, bool isInstrument, int sideChainChannels);

    // Identifies the host and announces every parameter to the engine once,
    // which opens the processing gate.
    void Initialize(const char* hostName);
    // Stores the sample rate and block size and resets the engine.
    void SetupProcessing(double rate, int maxSamplesPerBlock);
    void SetHostTimeline(const HostTimeline& timeline) { host = timeline; }

    int TransportState() const { return host.transportState; }
    int32_t SamplePosition() override { return host.samplePosition; }
    double Tempo() override { return host.tempo; }
    void TimeSignature(int* numerator, int* denominator) override;
    bool EmitMidiMessage(const MidiMessage& message) override;

    void BeginHostEdit(int index) override;
    void NotifyHostOfEdit(int index, double normalized) override;
    void EndHostEdit(int index) override;

    int SideChainChannels() const { return sideChainChannels; }

private:
    HostTimeline host;
    int sideChainChannels;
};
