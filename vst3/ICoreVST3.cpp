#include "ICoreVST3.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "HostKind.h"
#include "ICoreParameter.h"
#include "ICoreVST3View.h"
#include "TextConversion.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int kHostNameLength = 128;
constexpr int kStateReadPiece = 128;
constexpr UnitID kNoProgramList = -1;

// Speaker layout that carries the given number of channels.
SpeakerArrangement ArrangementFor(int channels) {
    switch (channels) {
    case 1:
        return SpeakerArr::kMono;
    case 2:
        return SpeakerArr::kStereo;
    case 3:
        return 0x103;
    case 4:
        return 0xF00000;
    case 5:
        return 0x37;
    case 6:
        return 0x3F;
    default:
        return SpeakerArr::kEmpty;
    }
}

void ToString128(const std::string& text, String128 out) {
    Utf8ToUtf16(text.c_str(), out, 128);
}

// Normalised values from a host are clamped to 0..1; NaN counts as 0.
double SafeNormalized(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

} // namespace

ICoreVST3::ICoreVST3(const PluginIdentity& identity)
    : ICoreBase(identity, 1), sideChainChannels(std::max(identity.sideChainChannels, 0)) {
    for (int i = 0; i < NumInputChannels(); ++i)
        InputChannel(i).connected = true;
    for (int i = 0; i < NumOutputChannels(); ++i)
        OutputChannel(i).connected = true;
    inputLabels.push_back("Main Input");
    if (sideChainChannels > 0) inputLabels.push_back("Aux Input");
    if (identity.isInstrument) {
        for (int pair = 0; pair < std::max(1, NumOutputChannels() / 2); ++pair)
            outputLabels.push_back("Output " + std::to_string(pair + 1));
    } else {
        outputLabels.push_back("Output");
    }
    hostContext.sampleRate = SampleRate();
    hostContext.tempo = 120.0;
    hostContext.timeSigNumerator = 4;
    hostContext.timeSigDenominator = 4;
}

ICoreVST3::~ICoreVST3() = default;

tresult PLUGIN_API ICoreVST3::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (!notifier) {
        notifier = HostNotifier::Create();
        notifier->SetHandler(componentHandler);
        if (editorView) notifier->SetEditorFrame(editorView->Frame());
    }
    if (context) {
        FUnknownPtr<IHostApplication> host(context);
        String128 name{};
        if (host && host->getName(name) == kResultOk)
            IdentifyHost(Utf16ToUtf8(name, kHostNameLength).substr(0, kHostNameLength - 1).c_str(),
                         0);
    }
    if (result != kResultOk) return result;

    String128 label;
    const int mainInputs = NumInputChannels() - sideChainChannels;
    if (mainInputs >= 1 && mainInputs <= 6) {
        ToString128(inputLabels[0], label);
        addAudioInput(label, ArrangementFor(mainInputs));
    }
    if (IsInstrument()) {
        for (const std::string& name : outputLabels) {
            ToString128(name, label);
            addAudioOutput(label, SpeakerArr::kStereo);
        }
    } else {
        ToString128(outputLabels[0], label);
        addAudioOutput(label, ArrangementFor(NumOutputChannels()));
    }
    if (sideChainChannels > 0) {
        ToString128(inputLabels[1], label);
        addAudioInput(label,
                      std::min(sideChainChannels, 2) == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo,
                      kAux, 0);
    }
    if (ReceivesMidi()) {
        Utf8ToUtf16("MIDI Input", label, 128);
        addEventInput(label, 1);
    }
    RegisterParameters();
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3::terminate() {
    // What is still waiting is dropped, and the handler is let go of now: a
    // host may free it as soon as this returns.
    notifier.reset();
    SingleComponentEffect::setComponentHandler(nullptr);
    return SingleComponentEffect::terminate();
}

tresult PLUGIN_API ICoreVST3::setComponentHandler(IComponentHandler* handler) {
    const tresult result = SingleComponentEffect::setComponentHandler(handler);
    if (notifier) notifier->SetHandler(componentHandler);
    return result;
}

void ICoreVST3::SetEditorView(ICoreVST3View* view) {
    editorView = view;
    if (notifier) notifier->SetEditorFrame(view ? view->Frame() : nullptr);
}

// The program-change parameter comes last: a host that passes on several
// changed parameters in the order of their indexes then delivers a program
// change after the values it moves, so the values the host reads again on the
// restart that follows are the ones it keeps.
void ICoreVST3::RegisterParameters() {
    for (int i = 0; i < NumParams(); ++i) {
        IEngineParam* param = GetParam(i);
        parameters.addParameter(
            new ICoreParameter(*param, static_cast<ParamID>(i), UnitForGroup(param->GroupName())));
        // Announcing every parameter once opens the engine's processing gate.
        ApplyParameter(i);
    }
    if (NumPresets() > 0) {
        String128 title;
        Utf8ToUtf16("Presets", title, 128);
        auto* presets =
            new StringListParameter(title, kProgramChangeId, nullptr,
                                    ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
        String128 empty{};
        for (int i = 0; i < NumPresets(); ++i)
            presets->appendString(empty);
        parameters.addParameter(presets);
    }
}

int ICoreVST3::UnitForGroup(const char* group) {
    if (!group || !*group) return kRootUnitId;
    const auto found = std::find(paramGroups.begin(), paramGroups.end(), group);
    if (found != paramGroups.end()) return static_cast<int>(found - paramGroups.begin()) + 1;
    paramGroups.emplace_back(group);
    return static_cast<int>(paramGroups.size());
}

tresult PLUGIN_API ICoreVST3::setActive(TBool state) {
    ActivationChanged(state != 0);
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts) {
    for (int i = 0; i < NumInputChannels(); ++i)
        InputChannel(i).connected = false;
    for (int i = 0; i < NumOutputChannels(); ++i)
        OutputChannel(i).connected = false;

    const int inCount = numIns > 0 && inputs ? SpeakerArr::getChannelCount(inputs[0]) : 0;
    const int outCount = numOuts > 0 && outputs ? SpeakerArr::getChannelCount(outputs[0]) : 0;
    if (!LegalChannelConfig(inCount, outCount)) return kResultFalse;

    String128 name;
    if (AudioBus* bus = audioBus(kInput, 0);
        bus && SpeakerArr::getChannelCount(bus->getArrangement()) != inCount) {
        Utf8ToUtf16("Input", name, 128);
        audioInputs.at(0) =
            owned(new AudioBus(name, kMain, BusInfo::kDefaultActive, ArrangementFor(inCount)));
    }
    if (AudioBus* bus = audioBus(kOutput, 0);
        bus && SpeakerArr::getChannelCount(bus->getArrangement()) != outCount) {
        Utf8ToUtf16("Output", name, 128);
        audioOutputs.at(0) =
            owned(new AudioBus(name, kMain, BusInfo::kDefaultActive, ArrangementFor(outCount)));
    }

    if (sideChainChannels == 0) return numIns == 1 ? kResultTrue : kResultFalse;
    if (numIns != 2) return kResultFalse;
    AudioBus* aux = audioBus(kInput, 1);
    const int auxCount = SpeakerArr::getChannelCount(inputs[1]);
    if (aux && SpeakerArr::getChannelCount(aux->getArrangement()) != auxCount) {
        Utf8ToUtf16("Sidechain Input", name, 128);
        audioInputs.at(1) = owned(new AudioBus(name, kAux, 0, ArrangementFor(auxCount)));
    }
    return kResultTrue;
}

tresult PLUGIN_API ICoreVST3::canProcessSampleSize(int32 size) {
    return size == kSample32 || size == kSample64 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API ICoreVST3::getLatencySamples() {
    return static_cast<uint32>(std::max(Latency(), 0));
}

tresult PLUGIN_API ICoreVST3::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64)
        return kResultFalse;
    // A rate the engine cannot run at is refused rather than stored.
    if (!(setup.sampleRate > 0.0) || !std::isfinite(setup.sampleRate)) return kResultFalse;
    SetBypassed(false);
    SetSampleRate(setup.sampleRate);
    SetBlockSize(std::clamp(setup.maxSamplesPerBlock, 1, kMaxScratchFrames));
    ResetEngine();
    processSetup = setup;
    return kResultOk;
}

void ICoreVST3::SetProcessContext(const ProcessContext& context) {
    hostContext = context;
}

tresult PLUGIN_API ICoreVST3::process(ProcessData& data) {
    PluginLock::Holder hold(Lock());
    if (data.processContext) hostContext = *data.processContext;
    ApplyParameterChanges(data.inputParameterChanges);
    if (ReceivesMidi()) HandleEvents(data.inputEvents);
    if (data.numSamples <= 0) return kResultOk;
    if (data.symbolicSampleSize == kSample32)
        Process32(data);
    else if (data.symbolicSampleSize == kSample64)
        Process64(data);
    return kResultOk;
}

int ICoreVST3::ProgramFromNormalized(double value) const {
    return static_cast<int>((NumPresets() - 1) * SafeNormalized(value) + 0.5);
}

void ICoreVST3::ApplyParameterChanges(IParameterChanges* changes) {
    if (!changes) return;
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue) continue;
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        // Automation is applied once per block, at its last point.
        if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk) continue;
        const ParamID id = queue->getParameterId();
        if (id == kBypassId) {
            SetBypassed(value > 0.5);
        } else if (id == kProgramChangeId) {
            if (NumPresets() > 0) ApplyPreset(ProgramFromNormalized(value));
        } else if (IEngineParam* param = GetParam(static_cast<int>(id)); param && id < 0x7FFFFFFF) {
            if (std::isnan(value)) continue;
            param->SetFromNormalized(value);
            if (IEditorSurface* surface = Editor())
                surface->PushParamToControls(static_cast<int>(id), SafeNormalized(value), true);
            ApplyParameter(static_cast<int>(id));
        }
    }
}

void ICoreVST3::HandleEvents(IEventList* events) {
    if (!events) return;
    const int32 count = events->getEventCount();
    for (int32 i = 0; i < count; ++i) {
        Event event{};
        if (events->getEvent(i, event) != kResultOk) continue;
        MidiMessage message;
        message.offset = event.sampleOffset;
        if (event.type == Event::kNoteOnEvent) {
            const auto& note = event.noteOn;
            if (note.pitch < 0 || note.pitch > 127) continue;
            const float velocity =
                std::isnan(note.velocity) ? 0.0f : std::clamp(note.velocity, 0.0f, 1.0f);
            message.status = static_cast<uint8_t>(0x90 | (note.channel & 0x0F));
            message.data1 = static_cast<uint8_t>(note.pitch);
            message.data2 = static_cast<uint8_t>(static_cast<int>(velocity * 127));
        } else if (event.type == Event::kNoteOffEvent) {
            const auto& note = event.noteOff;
            if (note.pitch < 0 || note.pitch > 127) continue;
            message.status = static_cast<uint8_t>(0x80 | (note.channel & 0x0F));
            message.data1 = static_cast<uint8_t>(note.pitch);
            message.data2 = 0;
        } else {
            continue;
        }
        HandleMidiMessage(message);
    }
}

// Marks which engine channels the host's buses of this block feed and take.
void ICoreVST3::ConnectChannels(const ProcessData& data) {
    if (data.numInputs > 0 && data.inputs) {
        const AudioBusBuffers& main = data.inputs[0];
        const int hostChannels = std::max<int32>(main.numChannels, 0);
        const int mainChannels = NumInputChannels() - sideChainChannels;
        for (int i = 0; i < NumInputChannels(); ++i) {
            bool connected = i < std::min(hostChannels, mainChannels);
            if (i >= mainChannels && sideChainChannels > 0 && data.numInputs > 1) {
                const AudioBusBuffers& aux = data.inputs[1];
                connected = i - mainChannels < aux.numChannels;
            }
            InputChannel(i).connected = connected;
        }
    }
    int offset = 0;
    for (int bus = 0; bus < data.numOutputs && data.outputs; ++bus) {
        const int channels = std::max<int32>(data.outputs[bus].numChannels, 0);
        const AudioBus* declared = audioBus(kOutput, bus);
        const bool active = declared && declared->isActive();
        for (int c = 0; c < channels && offset + c < NumOutputChannels(); ++c)
            OutputChannel(offset + c).connected = active;
        offset += channels;
    }
    for (int i = std::max(offset, 0); i < NumOutputChannels(); ++i)
        OutputChannel(i).connected = false;
    if (!data.outputs) offset = 0;
}

namespace {

// Host buffer of channel c of a bus, or null when the host gave none.
template <typename Sample>
Sample* ChannelOf(const AudioBusBuffers* buses, int32 busCount, int32 bus, int channel);

template <>
float* ChannelOf<float>(const AudioBusBuffers* buses, int32 busCount, int32 bus, int channel) {
    if (!buses || bus >= busCount || channel >= buses[bus].numChannels ||
        !buses[bus].channelBuffers32)
        return nullptr;
    return buses[bus].channelBuffers32[channel];
}

template <>
double* ChannelOf<double>(const AudioBusBuffers* buses, int32 busCount, int32 bus, int channel) {
    if (!buses || bus >= busCount || channel >= buses[bus].numChannels ||
        !buses[bus].channelBuffers64)
        return nullptr;
    return buses[bus].channelBuffers64[channel];
}

// Finds the host buffer behind engine output channel i, walking the buses.
template <typename Sample> Sample* OutputBuffer(const ProcessData& data, int channel) {
    for (int32 bus = 0; bus < data.numOutputs && data.outputs; ++bus) {
        const int32 channels = std::max<int32>(data.outputs[bus].numChannels, 0);
        if (channel < channels)
            return ChannelOf<Sample>(data.outputs, data.numOutputs, bus, channel);
        channel -= channels;
    }
    return nullptr;
}

} // namespace

void ICoreVST3::Process32(ProcessData& data) {
    ConnectChannels(data);
    const int total = data.numSamples;
    const int capacity = BlockSize();
    if (capacity <= 0) {
        // Not set up yet: nothing can run, the host hears silence.
        for (int i = 0; i < NumOutputChannels(); ++i)
            if (float* out = OutputBuffer<float>(data, i))
                std::memset(out, 0, sizeof(float) * total);
        return;
    }
    for (int start = 0; start < total; start += capacity) {
        const int frames = std::min(capacity, total - start);
        for (int i = 0; i < NumInputChannels(); ++i) {
            ChannelRecord& channel = InputChannel(i);
            const float* in =
                channel.connected ? ChannelOf<float>(data.inputs, data.numInputs, 0, i) : nullptr;
            double* scratch = channel.scratch.data();
            if (in) {
                for (int f = 0; f < frames; ++f)
                    scratch[f] = in[start + f];
            } else {
                std::fill(scratch, scratch + frames, 0.0);
            }
            *channel.slot = scratch;
        }
        for (int i = 0; i < NumOutputChannels(); ++i) {
            ChannelRecord& channel = OutputChannel(i);
            float* out = channel.connected ? OutputBuffer<float>(data, i) : nullptr;
            channel.hostBuffer32 = out ? out + start : nullptr;
            *channel.slot = channel.scratch.data();
        }
        if (IsBypassed())
            PassThrough(InputPointers(), OutputPointers(), frames);
        else if (IsProcessingEnabled())
            ProcessBlock(InputPointers(), OutputPointers(), frames);
        else
            for (int i = 0; i < NumOutputChannels(); ++i)
                std::fill(OutputChannel(i).scratch.begin(),
                          OutputChannel(i).scratch.begin() + frames, 0.0);
        for (int i = 0; i < NumOutputChannels(); ++i) {
            ChannelRecord& channel = OutputChannel(i);
            if (!channel.hostBuffer32) continue;
            const double* scratch = channel.scratch.data();
            for (int f = 0; f < frames; ++f)
                channel.hostBuffer32[f] = static_cast<float>(scratch[f]);
        }
    }
}

void ICoreVST3::Process64(ProcessData& data) {
    ConnectChannels(data);
    const int total = data.numSamples;
    const int capacity = BlockSize();
    if (capacity <= 0) return; // not set up yet: the host's buffers stay as they are
    for (int start = 0; start < total; start += capacity) {
        const int frames = std::min(capacity, total - start);
        for (int i = 0; i < NumInputChannels(); ++i) {
            ChannelRecord& channel = InputChannel(i);
            double* in =
                channel.connected ? ChannelOf<double>(data.inputs, data.numInputs, 0, i) : nullptr;
            if (in) {
                *channel.slot = in + start;
            } else {
                std::fill(channel.scratch.begin(), channel.scratch.begin() + frames, 0.0);
                *channel.slot = channel.scratch.data();
            }
        }
        for (int i = 0; i < NumOutputChannels(); ++i) {
            ChannelRecord& channel = OutputChannel(i);
            double* out = channel.connected ? OutputBuffer<double>(data, i) : nullptr;
            *channel.slot = out ? out + start : channel.scratch.data();
        }
        if (IsBypassed())
            PassThrough(InputPointers(), OutputPointers(), frames);
        else if (IsProcessingEnabled())
            ProcessBlock(InputPointers(), OutputPointers(), frames);
    }
}

tresult ICoreVST3::loadComponentState(IBStream* stream) {
    if (!stream) return kResultFalse;
    PluginLock::Holder hold(Lock());
    StateChunk chunk;
    char piece[kStateReadPiece];
    while (chunk.Size() < kMaxStateBytes) {
        // A stream may report bytes it never delivered: those read as zeros.
        std::memset(piece, 0, sizeof piece);
        int32 read = 0;
        const tresult result = stream->read(piece, kStateReadPiece, &read);
        read = std::clamp<int32>(read, 0, kStateReadPiece);
        if (result != kResultOk && HostKind() != kHostKindWaveLab) break;
        if (read == 0) break;
        if (!chunk.PutBytes(piece, static_cast<size_t>(read))) break;
    }
    const int end = ReadState(chunk, 0);
    RefreshEditorControls();
    // The data ran out before every parameter was read: there is no trailing
    // value to look for, and seeking to -1 would read before the stream.
    if (end < 0) return kResultFalse;
    int64 position = 0;
    if (stream->seek(end, IBStream::kIBSeekSet, &position) != kResultOk) return kResultFalse;
    int32 trailing = 0;
    int32 read = 0;
    return stream->read(&trailing, sizeof trailing, &read) == kResultOk ? kResultOk : kResultFalse;
}

tresult ICoreVST3::saveComponentState(IBStream* stream) {
    if (!stream) return kResultFalse;
    PluginLock::Holder hold(Lock());
    StateChunk chunk;
    if (WriteState(chunk)) {
        int32 written = 0;
        return stream->write(const_cast<uint8_t*>(chunk.Data()), chunk.Size(), &written) ==
                           kResultOk &&
                       written == chunk.Size()
                   ? kResultOk
                   : kResultFalse;
    }
    int32 bypass = IsBypassed() ? 1 : 0;
    stream->write(&bypass, sizeof bypass, nullptr);
    return kResultFalse;
}

// The whole state travels with the component; the controller keeps none.
tresult ICoreVST3::loadControllerState(IBStream*) {
    PluginLock::Holder hold(Lock());
    return kResultOk;
}

tresult ICoreVST3::saveControllerState(IBStream*) {
    PluginLock::Holder hold(Lock());
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3::setComponentState(IBStream*) {
    return kNotImplemented;
}

// Checked here: a host may ask for any index, and the container would throw.
tresult PLUGIN_API ICoreVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) return kInvalidArgument;
    Parameter* parameter = parameters.getParameterByIndex(paramIndex);
    if (!parameter) return kResultFalse;
    info = parameter->getInfo();
    return kResultOk;
}

// The program-change parameter shows the name of the program the value
// selects, as hosts that list parameters show it.
tresult PLUGIN_API ICoreVST3::getParamStringByValue(ParamID id, ParamValue value,
                                                    String128 string) {
    if (!string) return kResultFalse;
    if (id == kProgramChangeId) {
        if (NumPresets() == 0) return kResultFalse;
        PluginLock::Holder hold(Lock());
        Utf8ToUtf16(PresetName(ProgramFromNormalized(value)), string, 128);
        return kResultOk;
    }
    const IEngineParam* param = id < 0x7FFFFFFF ? GetParam(static_cast<int>(id)) : nullptr;
    if (!param) return kResultFalse;
    char text[IEngineParam::kFormatSize];
    param->FormatValue(value, true, text, sizeof text);
    Utf8ToUtf16(text, string, 128);
    return kResultOk;
}

// A program's name reads back as that program; other texts are not programs.
tresult PLUGIN_API ICoreVST3::getParamValueByString(ParamID id, TChar* string, ParamValue& value) {
    if (id != kProgramChangeId)
        return SingleComponentEffect::getParamValueByString(id, string, value);
    if (!string || NumPresets() == 0) return kResultFalse;
    const std::string name = Utf16ToUtf8(string, 128);
    PluginLock::Holder hold(Lock());
    for (int i = 0; i < NumPresets(); ++i) {
        if (name == PresetName(i)) {
            value = NumPresets() > 1 ? static_cast<double>(i) / (NumPresets() - 1) : 0.0;
            return kResultOk;
        }
    }
    return kResultFalse;
}

ParamValue PLUGIN_API ICoreVST3::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id == kProgramChangeId) return NumPresets() > 1 ? plain / (NumPresets() - 1) : 0.0;
    if (const IEngineParam* param = id < 0x7FFFFFFF ? GetParam(static_cast<int>(id)) : nullptr)
        return param->ToNormalized(plain);
    return plain;
}

ParamValue PLUGIN_API ICoreVST3::getParamNormalized(ParamID id) {
    if (id == kBypassId) return IsBypassed() ? 1.0 : 0.0;
    if (id == kProgramChangeId)
        return NumPresets() > 1 ? static_cast<double>(CurrentPreset()) / (NumPresets() - 1) : 0.0;
    if (const IEngineParam* param = id < 0x7FFFFFFF ? GetParam(static_cast<int>(id)) : nullptr)
        return param->ToNormalized();
    return 0.0;
}

tresult PLUGIN_API ICoreVST3::setParamNormalized(ParamID id, ParamValue value) {
    if (id == kBypassId) {
        SetBypassed(value != 0.0);
        return kResultOk;
    }
    if (id == kProgramChangeId) {
        // The parameters take the program's values at once and the host is
        // asked to read them again once this call has returned (a host may
        // hold locks here that its restart takes); the engine hears of them
        // when the processor restores the program in process.
        HostNotifier::HostCall call(notifier.get());
        if (NumPresets() > 0 && TakePresetValues(ProgramFromNormalized(value)) && notifier)
            notifier->Post(kParamValuesChanged);
        return kResultOk;
    }
    if (IEngineParam* param = id < 0x7FFFFFFF ? GetParam(static_cast<int>(id)) : nullptr) {
        param->SetFromNormalized(value);
        return kResultOk;
    }
    return kResultFalse;
}

IPlugView* PLUGIN_API ICoreVST3::createView(FIDString name) {
    if (!name || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
    auto* view = new ICoreVST3View(*this);
    views.push_back(view);
    return view;
}

void ICoreVST3::ForgetView(ICoreVST3View* view) {
    const auto found = std::find(views.begin(), views.end(), view);
    if (found != views.end()) views.erase(found);
}

int32 PLUGIN_API ICoreVST3::getUnitCount() {
    return static_cast<int32>(paramGroups.size()) + 1;
}

tresult PLUGIN_API ICoreVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex == 0) {
        info.id = kRootUnitId;
        info.parentUnitId = kNoParentUnitId;
        Utf8ToUtf16("Root Unit", info.name, 128);
        info.programListId = kProgramChangeId;
        return kResultOk;
    }
    if (unitIndex < 0 || unitIndex > static_cast<int32>(paramGroups.size())) return kResultFalse;
    info.id = unitIndex;
    info.parentUnitId = kRootUnitId;
    ToString128(paramGroups[static_cast<size_t>(unitIndex - 1)], info.name);
    info.programListId = kNoProgramList;
    return kResultOk;
}

int32 PLUGIN_API ICoreVST3::getProgramListCount() {
    return NumPresets() > 0 ? 1 : 0;
}

tresult PLUGIN_API ICoreVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0 || NumPresets() == 0) return kResultFalse;
    info.id = kProgramChangeId;
    Utf8ToUtf16("Factory Presets", info.name, 128);
    info.programCount = NumPresets();
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                             String128 name) {
    if (listId != static_cast<ProgramListID>(kProgramChangeId) || !name) return kResultFalse;
    // The processor renames a never-filled slot when it is first selected.
    PluginLock::Holder hold(Lock());
    Utf8ToUtf16(PresetName(programIndex), name, 128);
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3::getProgramInfo(ProgramListID, int32, Vst::CString, String128) {
    return kNotImplemented;
}
tresult PLUGIN_API ICoreVST3::hasProgramPitchNames(ProgramListID, int32) {
    return kNotImplemented;
}
tresult PLUGIN_API ICoreVST3::getProgramPitchName(ProgramListID, int32, int16, String128) {
    return kNotImplemented;
}
UnitID PLUGIN_API ICoreVST3::getSelectedUnit() {
    return kRootUnitId;
}
tresult PLUGIN_API ICoreVST3::selectUnit(UnitID) {
    return kNotImplemented;
}
tresult PLUGIN_API ICoreVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
    return kNotImplemented;
}
tresult PLUGIN_API ICoreVST3::setUnitProgramData(int32, int32, IBStream*) {
    return kNotImplemented;
}

tresult PLUGIN_API ICoreVST3::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, IUnitInfo::iid, IUnitInfo)
    return SingleComponentEffect::queryInterface(iid, obj);
}

void ICoreVST3::BeginHostEdit(int index) {
    if (componentHandler) componentHandler->beginEdit(static_cast<ParamID>(index));
}

void ICoreVST3::NotifyHostOfEdit(int index, double normalized) {
    if (componentHandler) componentHandler->performEdit(static_cast<ParamID>(index), normalized);
}

void ICoreVST3::EndHostEdit(int index) {
    if (componentHandler) componentHandler->endEdit(static_cast<ParamID>(index));
}

int32_t ICoreVST3::SamplePosition() {
    return static_cast<int32_t>(hostContext.projectTimeSamples);
}

double ICoreVST3::Tempo() {
    return hostContext.tempo;
}

void ICoreVST3::TimeSignature(int* numerator, int* denominator) {
    if (numerator) *numerator = hostContext.timeSigNumerator;
    if (denominator) *denominator = hostContext.timeSigDenominator;
}

// Outgoing MIDI is not supported.
bool ICoreVST3::EmitMidiMessage(const MidiMessage&) {
    return false;
}

void ICoreVST3::SetLatencySamples(int samples) {
    ICoreBase::SetLatencySamples(samples);
    if (notifier) notifier->Post(kLatencyChanged);
}

int ICoreVST3::TransportState() const {
    if (hostContext.state & ProcessContext::kPlaying) return 1;
    if (hostContext.state & ProcessContext::kRecording) return 2;
    return 0;
}

bool ICoreVST3::IsOffline() const {
    return processSetup.processMode == kOffline;
}

void ICoreVST3::TimeInfo(HostTimeInfo& info) const {
    info.samplePosition = hostContext.projectTimeSamples;
    info.musicalPosition = hostContext.projectTimeMusic;
    info.tempo = hostContext.tempo;
    info.barStartPosition = hostContext.barPositionMusic;
    info.cycleStart = hostContext.cycleStartMusic;
    info.cycleEnd = hostContext.cycleEndMusic;
    info.timeSigNumerator = hostContext.timeSigNumerator;
    info.timeSigDenominator = hostContext.timeSigDenominator;
    info.transportRunning = (hostContext.state & ProcessContext::kPlaying) != 0;
    info.loopEnabled = (hostContext.state & ProcessContext::kCycleActive) != 0;
}
