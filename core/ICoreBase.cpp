#include "ICoreBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "HostKind.h"

namespace {

std::string Truncated(const char* text, size_t maxLength) {
    std::string result = text ? text : "";
    if (result.size() > maxLength) result.resize(maxLength);
    return result;
}

} // namespace

ICoreBase::ICoreBase(const PluginIdentity& identity, int apiId_)
    : isInstrument(identity.isInstrument), latency(identity.latency),
      effectName(Truncated(identity.name, kMaxIdentityLength)),
      productName(Truncated(identity.productName, kMaxIdentityLength)),
      makerName(Truncated(identity.vendor, kMaxIdentityLength)), uniqueId(identity.uniqueId),
      makerId(identity.makerId), vendorVersion(identity.VersionWord()), apiId(apiId_),
      savesChunks(identity.savesChunks), receivesMidi(identity.receivesMidi) {
    for (int i = 0; i < identity.numParams; ++i)
        params.push_back(std::make_unique<IEngineParam>());

    presets.resize(static_cast<size_t>(std::max(identity.numPresets, 0)));
    for (size_t i = 0; i < presets.size(); ++i) {
        presets[i].name = "- " + std::to_string(i + 1) + " -";
        // Room for any later name, so renaming a slot on the audio thread
        // (a program change arriving through process) never allocates.
        presets[i].name.reserve(PresetSlot::kMaxNameLength);
    }

    ParseChannelConfigs(identity.channelIO);
    int maxInputs = 0, maxOutputs = 0;
    for (const auto& [in, out] : channelConfigs) {
        maxInputs = std::max(maxInputs, in);
        maxOutputs = std::max(maxOutputs, out);
    }
    inputPointers.assign(static_cast<size_t>(maxInputs), nullptr);
    outputPointers.assign(static_cast<size_t>(maxOutputs), nullptr);
    inputChannels.resize(inputPointers.size());
    outputChannels.resize(outputPointers.size());
    for (size_t i = 0; i < inputChannels.size(); ++i)
        inputChannels[i].slot = &inputPointers[i];
    for (size_t i = 0; i < outputChannels.size(); ++i)
        outputChannels[i].slot = &outputPointers[i];
}

ICoreBase::~ICoreBase() {
    // The editor's controls refer to the parameters: it goes first.
    editor.reset();
}

void ICoreBase::ParseChannelConfigs(const char* description) {
    if (!description) return;
    std::istringstream pairs(description);
    std::string pair;
    while (pairs >> pair) {
        int in = 0, out = 0;
        if (std::sscanf(pair.c_str(), "%d-%d", &in, &out) == 2 && in >= 0 && out >= 0)
            channelConfigs.emplace_back(in, out);
    }
}

bool ICoreBase::LegalChannelConfig(int inputs, int outputs) const {
    return std::find(channelConfigs.begin(), channelConfigs.end(),
                     std::make_pair(inputs, outputs)) != channelConfigs.end();
}

void ICoreBase::ResetEngine() {
    PluginLock::Holder hold(lock);
}

void ICoreBase::ApplyParameter(int) {
    PluginLock::Holder hold(lock);
}

void ICoreBase::ActivationChanged(bool) {
    PluginLock::Holder hold(lock);
}

void ICoreBase::HandleMidiMessage(const MidiMessage&) {}

void ICoreBase::ProcessBlock(double** inputs, double** outputs, int frames) {
    PassThrough(inputs, outputs, frames);
}

void ICoreBase::PassThrough(double** inputs, double** outputs, int frames) {
    if (frames <= 0) return;
    const size_t bytes = static_cast<size_t>(frames) * sizeof(double);
    const int copied = std::min(NumInputChannels(), NumOutputChannels());
    for (int i = 0; i < NumOutputChannels(); ++i) {
        if (!outputs[i]) continue;
        if (i < copied && inputs[i])
            std::memmove(outputs[i], inputs[i], bytes);
        else
            std::memset(outputs[i], 0, bytes);
    }
}

void ICoreBase::RenderAudio(double** inputs, double** outputs, int frames) {
    PluginLock::Holder hold(lock);
    if (IsBypassed())
        PassThrough(inputs, outputs, frames);
    else if (processingEnabled)
        ProcessBlock(inputs, outputs, frames);
}

void ICoreBase::SetBlockSize(int frames) {
    frames = std::max(frames, 0);
    if (frames == blockSize) return;
    blockSize = frames;
    for (ChannelRecord& channel : inputChannels)
        channel.scratch.assign(static_cast<size_t>(frames), 0.0);
    for (ChannelRecord& channel : outputChannels)
        channel.scratch.assign(static_cast<size_t>(frames), 0.0);
}

void ICoreBase::SetLatencySamples(int samples) {
    latency = samples;
}

bool ICoreBase::EmitMidiMessages(const MidiMessage* messages, int count) {
    bool allSent = true;
    for (int i = 0; i < count; ++i)
        allSent = EmitMidiMessage(messages[i]) && allSent;
    return allSent;
}

void ICoreBase::IdentifyHost(const char* hostName, int version) {
    hostKind = HostKindFromName(hostName);
    hostVersion = version;
}

void ICoreBase::AttachEditor(std::unique_ptr<IEditorSurface> surface) {
    PluginLock::Holder hold(lock);
    if (surface) {
        for (int i = 0; i < NumParams(); ++i)
            surface->PushParamToControls(i, params[static_cast<size_t>(i)]->ToNormalized(), true);
        surface->PrepareDrawing();
    }
    editor = std::move(surface);
}

void ICoreBase::RefreshEditorControls() {
    if (!editor) return;
    for (int i = 0; i < NumParams(); ++i)
        editor->PushParamToControls(i, params[static_cast<size_t>(i)]->PlainValue(), false);
}

void ICoreBase::BeginWheelEdit(int index) {
    PluginLock::Holder hold(lock);
    // Further notches on the same parameter stay inside the open edit.
    if (pendingEndEdit == index) return;
    // A turn on another parameter first ends the edit still open.
    if (pendingEndEdit >= 0) {
        EndHostEdit(pendingEndEdit);
        pendingEndEdit = -1;
    }
    BeginHostEdit(index);
}

void ICoreBase::EndHostEditLater(int index) {
    PluginLock::Holder hold(lock);
    if (pendingEndEdit >= 0 && pendingEndEdit != index) {
        EndHostEdit(pendingEndEdit);
        pendingEndEdit = -1;
    }
    if (!editor) {
        EndHostEdit(index);
        return;
    }
    pendingEndEdit = index;
    editor->StartParamChangeCountdown(std::max(1, editor->FrameRate() / 2));
}

void ICoreBase::EndPendingHostEdit() {
    PluginLock::Holder hold(lock);
    if (editor) editor->StopParamChangeCountdown();
    if (pendingEndEdit < 0) return;
    const int index = pendingEndEdit;
    pendingEndEdit = -1;
    EndHostEdit(index);
}

IEngineParam* ICoreBase::GetParam(int index) {
    return index >= 0 && index < NumParams() ? params[static_cast<size_t>(index)].get() : nullptr;
}

const IEngineParam* ICoreBase::GetParam(int index) const {
    return index >= 0 && index < NumParams() ? params[static_cast<size_t>(index)].get() : nullptr;
}

void ICoreBase::SetParameterFromEditor(int index, double normalized) {
    PluginLock::Holder hold(lock);
    IEngineParam* param = GetParam(index);
    if (!param || std::isnan(normalized)) return;
    // The host hears of the value the parameter really takes.
    normalized = std::clamp(normalized, 0.0, 1.0);
    param->SetFromNormalized(normalized);
    NotifyHostOfEdit(index, normalized);
    ApplyParameter(index);
}

void ICoreBase::AddDefaultPreset(const char* name, int count) {
    for (int n = 0; n < count; ++n) {
        auto slot = std::find_if(presets.begin(), presets.end(),
                                 [](const PresetSlot& p) { return !p.initialised; });
        if (slot == presets.end()) return;
        slot->initialised = true;
        slot->name = Truncated(name ? name : "Default", PresetSlot::kMaxNameLength);
    }
}

bool ICoreBase::AddPresetFromArray(const char* name, const double* values, int count) {
    if (count != NumParams() || (count > 0 && !values)) return false;
    auto slot = std::find_if(presets.begin(), presets.end(),
                             [](const PresetSlot& p) { return !p.initialised; });
    if (slot == presets.end()) return false;

    StateChunk chunk;
    for (int i = 0; i < count; ++i)
        if (!chunk.PutDouble(values[i])) return false;
    slot->initialised = true;
    slot->name = Truncated(name, PresetSlot::kMaxNameLength);
    slot->chunk = std::move(chunk);
    return true;
}

void ICoreBase::NameUserPreset(PresetSlot& slot) const {
    static constexpr const char* kUserPreset = "user preset";
    const auto existing = std::count_if(presets.begin(), presets.end(), [](const PresetSlot& p) {
        return p.name.find(kUserPreset) != std::string::npos;
    });
    // Written into the slot's reserved buffer: no allocation.
    char name[48];
    std::snprintf(name, sizeof name, "%s %ld", kUserPreset, static_cast<long>(existing + 1));
    slot.name.assign(name);
}

bool ICoreBase::ApplyPreset(int index) {
    if (index < 0 || index >= NumPresets()) return false;
    PluginLock::Holder hold(lock);
    PresetSlot& slot = presets[static_cast<size_t>(index)];
    currentPreset = index;
    if (!slot.initialised) {
        // Selecting a never-filled slot makes it a user preset holding no values.
        slot.initialised = true;
        NameUserPreset(slot);
        RefreshEditorControls();
        return true;
    }
    // A preset holding no values (the default program, a user preset) leaves
    // every parameter as it is: selecting it again, as hosts do with the
    // current program, changes nothing.
    if (slot.chunk.Size() == 0) {
        RefreshEditorControls();
        return false;
    }
    const int end = ReadParameters(slot.chunk, 0);
    RefreshEditorControls();
    return end > 0;
}

bool ICoreBase::TakePresetValues(int index) {
    if (index < 0 || index >= NumPresets()) return false;
    PluginLock::Holder hold(lock);
    const PresetSlot& slot = presets[static_cast<size_t>(index)];
    currentPreset = index;
    // Never filled or holding no values: the restore leaves every value alone.
    if (!slot.initialised || slot.chunk.Size() == 0) return false;
    // The values the processor's restore will leave, without the engine.
    ReadParameterValues(slot.chunk, 0, false);
    RefreshEditorControls();
    return true;
}

const char* ICoreBase::PresetName(int index) const {
    return index >= 0 && index < NumPresets() ? presets[static_cast<size_t>(index)].name.c_str()
                                              : "";
}

bool ICoreBase::WriteState(StateChunk& chunk) {
    return WriteParameters(chunk);
}

int ICoreBase::ReadState(const StateChunk& chunk, int position) {
    return ReadParameters(chunk, position);
}

bool ICoreBase::WriteParameters(StateChunk& chunk) {
    PluginLock::Holder hold(lock);
    for (const auto& param : params)
        if (!chunk.PutDouble(param->PlainValue())) return false;
    return true;
}

int ICoreBase::ReadParameters(const StateChunk& chunk, int position) {
    return ReadParameterValues(chunk, position, true);
}

int ICoreBase::ReadParameterValues(const StateChunk& chunk, int position, bool apply) {
    PluginLock::Holder hold(lock);
    // Any negative start means there is nothing to read.
    if (position < 0) return -1;
    for (int i = 0; i < NumParams() && position != -1; ++i) {
        double stored = 0.0;
        position = chunk.GetDouble(&stored, position);
        params[static_cast<size_t>(i)]->SetPlainValue(stored);
        if (apply) ApplyParameter(i);
    }
    return position;
}
