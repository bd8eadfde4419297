#include "PluginInstance.h"

#include <algorithm>
#include <cstring>
#include <public.sdk/source/common/memorystream.h>

#include "Utf16.h"

namespace tonewell::hostkit {

using namespace Steinberg;

namespace {

template <typename T> IPtr<T> Query(FUnknown* object) {
    void* result = nullptr;
    if (!object || object->queryInterface(T::iid, &result) != kResultOk || !result) return nullptr;
    return owned(static_cast<T*>(result));
}

// True when both pointers belong to one object (COM identity rule).
bool SameObject(FUnknown* a, FUnknown* b) {
    IPtr<FUnknown> ia = Query<FUnknown>(a);
    IPtr<FUnknown> ib = Query<FUnknown>(b);
    return ia && ia == ib;
}

} // namespace

std::unique_ptr<PluginInstance> PluginInstance::Create(PluginModule& module, int32 classIndex,
                                                       HostApplication& host, std::string& error) {
    IPluginFactory* factory = module.Factory();
    PClassInfo info{};
    if (!factory || classIndex < 0 || classIndex >= factory->countClasses() ||
        factory->getClassInfo(classIndex, &info) != kResultOk) {
        error = "no plug-in class at index " + std::to_string(classIndex);
        return nullptr;
    }
    std::unique_ptr<PluginInstance> instance(new PluginInstance);
    if (!instance->Initialize(module, info.cid, host, error)) return nullptr;
    return instance;
}

std::unique_ptr<PluginInstance> PluginInstance::CreateByName(PluginModule& module,
                                                             const std::string& name,
                                                             HostApplication& host,
                                                             std::string& error) {
    IPluginFactory* factory = module.Factory();
    int32 count = factory ? factory->countClasses() : 0;
    for (int32 i = 0; i < count; ++i) {
        PClassInfo info{};
        if (factory->getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kVstAudioEffectClass) == 0 &&
            std::string(info.name, strnlen(info.name, PClassInfo::kNameSize)) == name)
            return Create(module, i, host, error);
    }
    error = "no audio module class named \"" + name + "\"";
    return nullptr;
}

bool PluginInstance::Initialize(PluginModule& module, const TUID cid, HostApplication& host,
                                std::string& error) {
    IPluginFactory* factory = module.Factory();
    std::memcpy(classId_, cid, sizeof(TUID));
    void* object = nullptr;
    if (factory->createInstance(cid, Vst::IComponent::iid, &object) != kResultOk || !object) {
        error = "the factory did not create the component";
        return false;
    }
    component_ = owned(static_cast<Vst::IComponent*>(object));
    processor_ = Query<Vst::IAudioProcessor>(component_);
    if (!processor_) {
        error = "the component has no IAudioProcessor";
        return false;
    }
    if (component_->initialize(&host) != kResultOk) {
        error = "the component refused initialize";
        return false;
    }
    componentInitialized_ = true;

    // Single-component plug-ins answer for their controller themselves;
    // others name a controller class to create next to the component.
    controller_ = Query<Vst::IEditController>(component_);
    TUID controllerCid{};
    if (!controller_ && component_->getControllerClassId(controllerCid) == kResultOk) {
        object = nullptr;
        if (factory->createInstance(controllerCid, Vst::IEditController::iid, &object) ==
                kResultOk &&
            object) {
            controller_ = owned(static_cast<Vst::IEditController*>(object));
            separateController_ = true;
            if (controller_->initialize(&host) != kResultOk) {
                error = "the edit controller refused initialize";
                return false;
            }
            controllerInitialized_ = true;
        }
    }
    handler_ = RecordingComponentHandler::Create();
    if (controller_) {
        controller_->setComponentHandler(handler_);
        unitInfo_ = Query<Vst::IUnitInfo>(controller_);
    }
    return true;
}

PluginInstance::~PluginInstance() {
    Stop();
    if (controller_) controller_->setComponentHandler(nullptr);
    if (separateController_ && controllerInitialized_ && !SameObject(controller_, component_))
        controller_->terminate();
    if (componentInitialized_) component_->terminate();
    unitInfo_ = nullptr;
    controller_ = nullptr;
    processor_ = nullptr;
    component_ = nullptr;
}

bool PluginInstance::Start(const ProcessConfig& config, std::string& error) {
    Stop();
    Vst::SpeakerArrangement stereoIn = Vst::SpeakerArr::kStereo;
    Vst::SpeakerArrangement stereoOut = Vst::SpeakerArr::kStereo;
    int32 audioIns = component_->getBusCount(Vst::kAudio, Vst::kInput);
    int32 audioOuts = component_->getBusCount(Vst::kAudio, Vst::kOutput);
    if (processor_->setBusArrangements(audioIns > 0 ? &stereoIn : nullptr, audioIns > 0 ? 1 : 0,
                                       &stereoOut, 1) != kResultTrue) {
        error = "the plug-in refused stereo buses";
        return false;
    }
    // A DAW activates the buses it uses.
    if (audioIns > 0) component_->activateBus(Vst::kAudio, Vst::kInput, 0, true);
    if (audioOuts > 0) component_->activateBus(Vst::kAudio, Vst::kOutput, 0, true);
    if (component_->getBusCount(Vst::kEvent, Vst::kInput) > 0)
        component_->activateBus(Vst::kEvent, Vst::kInput, 0, true);

    Vst::ProcessSetup setup{config.processMode, config.sampleSize, config.maxSamplesPerBlock,
                            config.sampleRate};
    if (processor_->setupProcessing(setup) != kResultOk) {
        error = "the plug-in refused setupProcessing";
        return false;
    }
    if (component_->setActive(true) != kResultOk) {
        error = "the plug-in refused setActive";
        return false;
    }
    config_ = config;
    started_ = true;
    // Some plug-ins answer kNotImplemented here, which a host accepts.
    processor_->setProcessing(true);
    silence_.assign(static_cast<size_t>(std::max<int32>(config.maxSamplesPerBlock, 1)), 0.0);
    return true;
}

void PluginInstance::Stop() {
    if (!started_) return;
    processor_->setProcessing(false);
    component_->setActive(false);
    started_ = false;
}

Vst::ProcessContext PluginInstance::NextContext() const {
    Vst::ProcessContext context{};
    context.state = Vst::ProcessContext::kTempoValid | Vst::ProcessContext::kTimeSigValid |
                    Vst::ProcessContext::kProjectTimeMusicValid |
                    Vst::ProcessContext::kContTimeValid;
    if (playing_) context.state |= Vst::ProcessContext::kPlaying;
    context.sampleRate = config_.sampleRate;
    context.projectTimeSamples = projectTime_;
    context.continousTimeSamples = projectTime_;
    context.tempo = tempo_;
    context.projectTimeMusic =
        static_cast<double>(projectTime_) / config_.sampleRate * tempo_ / 60.0;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    return context;
}

tresult PluginInstance::ProcessBlock(int32 frames, void** inputs, void** outputs,
                                     int32 sampleSize) {
    Vst::AudioBusBuffers inBus{};
    Vst::AudioBusBuffers outBus{};
    inBus.numChannels = outBus.numChannels = 2;
    if (sampleSize == Vst::kSample64) {
        inBus.channelBuffers64 = reinterpret_cast<Vst::Sample64**>(inputs);
        outBus.channelBuffers64 = reinterpret_cast<Vst::Sample64**>(outputs);
    } else {
        inBus.channelBuffers32 = reinterpret_cast<Vst::Sample32**>(inputs);
        outBus.channelBuffers32 = reinterpret_cast<Vst::Sample32**>(outputs);
    }

    Vst::ProcessContext context = NextContext();
    Vst::ProcessData data{};
    data.processMode = config_.processMode;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames;
    data.numInputs = component_->getBusCount(Vst::kAudio, Vst::kInput) > 0 ? 1 : 0;
    data.numOutputs = 1;
    data.inputs = data.numInputs ? &inBus : nullptr;
    data.outputs = &outBus;
    data.inputParameterChanges = &parameterChanges_;
    data.inputEvents = &events_;
    data.processContext = &context;
    tresult result = processor_->process(data);
    parameterChanges_.Clear();
    events_.Clear();
    projectTime_ += frames;
    return result;
}

tresult PluginInstance::Process(int32 frames, const float* const* inputs, float* const* outputs) {
    if (!started_ || !outputs || frames < 0) return kResultFalse;
    // Silence is kept as doubles, which also covers two float channels.
    size_t needed = static_cast<size_t>(frames);
    if (!inputs && silence_.size() < needed) silence_.assign(needed, 0.0);
    float* silent = reinterpret_cast<float*>(silence_.data());
    void* in[2] = {inputs ? const_cast<float*>(inputs[0]) : silent,
                   inputs ? const_cast<float*>(inputs[1]) : silent};
    void* out[2] = {outputs[0], outputs[1]};
    return ProcessBlock(frames, in, out, Vst::kSample32);
}

tresult PluginInstance::Process(int32 frames, const double* const* inputs, double* const* outputs) {
    if (!started_ || !outputs || frames < 0) return kResultFalse;
    size_t needed = static_cast<size_t>(frames);
    if (!inputs && silence_.size() < needed) silence_.assign(needed, 0.0);
    void* in[2] = {inputs ? const_cast<double*>(inputs[0]) : silence_.data(),
                   inputs ? const_cast<double*>(inputs[1]) : silence_.data()};
    void* out[2] = {outputs[0], outputs[1]};
    return ProcessBlock(frames, in, out, Vst::kSample64);
}

bool PluginInstance::GetState(std::vector<std::uint8_t>& bytes, std::string& error) {
    IPtr<MemoryStream> stream = owned(new MemoryStream);
    if (component_->getState(stream) != kResultOk) {
        error = "the plug-in refused getState";
        return false;
    }
    auto* data = reinterpret_cast<const std::uint8_t*>(stream->getData());
    bytes.assign(data, data + stream->getSize());
    return true;
}

tresult PluginInstance::SetState(const std::vector<std::uint8_t>& bytes) {
    IPtr<MemoryStream> stream = owned(new MemoryStream);
    int32 written = 0;
    if (!bytes.empty())
        stream->write(const_cast<std::uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()),
                      &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return component_->setState(stream);
}

} // namespace tonewell::hostkit
