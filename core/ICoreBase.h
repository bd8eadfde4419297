#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ChannelRecord.h"
#include "IEditorSurface.h"
#include "IEngineParam.h"
#include "MidiMessage.h"
#include "PluginIdentity.h"
#include "PluginLock.h"
#include "PresetSlot.h"
#include "StateChunk.h"

// The format-independent core of the plug-in: identity, parameters, program
// slots, the channel model the format adapter drives, the plug-in lock, the
// host identity and the attached editor. The plug-in class overrides the
// engine hooks; the format adapter implements the host-facing operations.
class ICoreBase {
public:
    static constexpr size_t kMaxIdentityLength = 127;

    // Names longer than kMaxIdentityLength are cut; apiId names the format adapter.
    ICoreBase(const PluginIdentity& identity, int apiId);
    virtual ~ICoreBase();

    ICoreBase(const ICoreBase&) = delete;
    ICoreBase& operator=(const ICoreBase&) = delete;

    // Engine hooks.
    virtual void ResetEngine();
    virtual void ApplyParameter(int index);
    virtual void ProcessBlock(double** inputs, double** outputs, int frames);
    virtual void ActivationChanged(bool active);
    virtual void HandleMidiMessage(const MidiMessage& message);
    virtual bool WriteState(StateChunk& chunk);
    virtual int ReadState(const StateChunk& chunk, int position);

    // Host-facing operations of the format adapter.
    virtual void BeginHostEdit(int index) = 0;
    virtual void NotifyHostOfEdit(int index, double normalized) = 0;
    virtual void EndHostEdit(int index) = 0;
    virtual int32_t SamplePosition() = 0;
    virtual double Tempo() = 0;
    virtual void TimeSignature(int* numerator, int* denominator) = 0;
    virtual bool EmitMidiMessage(const MidiMessage& message) = 0;
    virtual void SetLatencySamples(int samples);
    virtual int HostKind() const { return hostKind; }

    // True only if every message was sent.
    bool EmitMidiMessages(const MidiMessage* messages, int count);

    // Host identification, once at initialisation.
    void IdentifyHost(const char* hostName, int version);
    int HostVersion() const { return hostVersion; }

    // Editor: the core owns the attached surface and keeps it informed.
    void AttachEditor(std::unique_ptr<IEditorSurface> surface);
    IEditorSurface* Editor() const { return editor.get(); }
    void RefreshEditorControls();

    // Wheel edits come without a press or a release of their own: the first
    // notch on a parameter begins a host edit (ending one still open on
    // another), and each notch asks for its end after the editor's countdown,
    // or at once without an editor.
    void BeginWheelEdit(int index);
    void EndHostEditLater(int index);
    // Sends the end of a pending edit now, if there is one.
    void EndPendingHostEdit();

    // Parameters.
    int NumParams() const { return static_cast<int>(params.size()); }
    IEngineParam* GetParam(int index);
    const IEngineParam* GetParam(int index) const;
    // An edit from the editor: sets the value, tells the host, applies it.
    void SetParameterFromEditor(int index, double normalized);

    // Program slots.
    void AddDefaultPreset(const char* name, int count);
    template <typename... Values> bool AddPresetFromValues(const char* name, Values... values) {
        static_assert((std::is_arithmetic_v<Values> && ...), "program values are numbers");
        const double array[] = {static_cast<double>(values)...};
        return AddPresetFromArray(name, array, static_cast<int>(sizeof...(Values)));
    }
    // Fills the first free slot; the count must match the number of parameters.
    bool AddPresetFromArray(const char* name, const double* values, int count);
    bool ApplyPreset(int index);
    // The controller's side of a program change from the host: selects the
    // preset and sets the parameters to the values its restore leaves, without
    // the engine hearing of them (the processor restores the preset in its own
    // time, with the same result) and without turning a never-filled slot into
    // a user preset. True when the parameters took the preset's values; false
    // when the selection leaves them as they are (an index outside the list, a
    // never-filled slot, a preset holding no values).
    bool TakePresetValues(int index);
    const char* PresetName(int index) const;
    int NumPresets() const { return static_cast<int>(presets.size()); }
    int CurrentPreset() const { return currentPreset.load(std::memory_order_relaxed); }

    // Parameter chunk: the plain value of each parameter as a little-endian double.
    bool WriteParameters(StateChunk& chunk);
    int ReadParameters(const StateChunk& chunk, int position);

    // Audio: one block through bypass, the processing gate and the engine.
    void RenderAudio(double** inputs, double** outputs, int frames);
    void PassThrough(double** inputs, double** outputs, int frames);
    void SetBlockSize(int frames);
    int BlockSize() const { return blockSize; }
    void SetSampleRate(double rate) { sampleRate = rate; }
    double SampleRate() const { return sampleRate; }
    bool IsProcessingEnabled() const { return processingEnabled; }
    void SetBypassed(bool bypass) { bypassed.store(bypass, std::memory_order_relaxed); }
    bool IsBypassed() const { return bypassed.load(std::memory_order_relaxed); }

    // Channel model.
    int NumInputChannels() const { return static_cast<int>(inputChannels.size()); }
    int NumOutputChannels() const { return static_cast<int>(outputChannels.size()); }
    bool LegalChannelConfig(int inputs, int outputs) const;
    ChannelRecord& InputChannel(int index) { return inputChannels[index]; }
    ChannelRecord& OutputChannel(int index) { return outputChannels[index]; }
    double** InputPointers() { return inputPointers.data(); }
    double** OutputPointers() { return outputPointers.data(); }

    // Identity.
    const char* EffectName() const { return effectName.c_str(); }
    const char* ProductName() const { return productName.c_str(); }
    const char* MakerName() const { return makerName.c_str(); }
    uint32_t UniqueId() const { return uniqueId; }
    uint32_t MakerId() const { return makerId; }
    int32_t VendorVersion() const { return vendorVersion; }
    int Latency() const { return latency; }
    int ApiId() const { return apiId; }
    bool IsInstrument() const { return isInstrument; }
    bool ReceivesMidi() const { return receivesMidi; }
    bool SavesChunks() const { return savesChunks; }

    PluginLock& Lock() { return lock; }

protected:
    // Opened by the plug-in once every parameter has been applied.
    bool processingEnabled = false;

private:
    // ReadParameters, with the engine told of each value only when apply is set.
    int ReadParameterValues(const StateChunk& chunk, int position, bool apply);
    void ParseChannelConfigs(const char* description);
    // Renames a never-filled slot as the next user preset, without allocating.
    void NameUserPreset(PresetSlot& slot) const;

    std::vector<std::pair<int, int>> channelConfigs;
    std::vector<std::unique_ptr<IEngineParam>> params;
    std::vector<PresetSlot> presets;
    // These two are read and written by the host's UI thread without the
    // plug-in lock (controller values) as well as by the audio thread.
    std::atomic<int> currentPreset{0};
    int pendingEndEdit = -1;
    PluginLock lock;
    bool isInstrument;
    std::atomic<bool> bypassed{false};
    double sampleRate = 44100.0;
    int latency;
    std::string effectName, productName, makerName;
    uint32_t uniqueId, makerId;
    int32_t vendorVersion;
    int hostKind = -1;
    int apiId;
    int hostVersion = 0;
    bool savesChunks;
    bool receivesMidi;
    int blockSize = 0;
    std::unique_ptr<IEditorSurface> editor;
    std::vector<double*> inputPointers, outputPointers;
    std::vector<ChannelRecord> inputChannels, outputChannels;
};
