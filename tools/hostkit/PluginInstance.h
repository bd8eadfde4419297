#pragma once

#include <cstdint>
#include <memory>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstprocesscontext.h>
#include <pluginterfaces/vst/ivstunits.h>
#include <string>
#include <vector>

#include "HostApplication.h"
#include "NoteEventList.h"
#include "ParameterChangeList.h"
#include "PluginModule.h"
#include "RecordingComponentHandler.h"

namespace tonewell::hostkit {

struct ProcessConfig {
    double sampleRate = 48000.0;
    Steinberg::int32 maxSamplesPerBlock = 512;
    Steinberg::int32 sampleSize = Steinberg::Vst::kSample32; // or kSample64
    Steinberg::int32 processMode = Steinberg::Vst::kRealtime;
};

// One initialised plug-in instance with stereo input and output, driven the
// way a DAW drives it. The module must outlive the instance.
class PluginInstance {
public:
    // Creates class classIndex of the module's factory and initialises it with
    // host. On failure returns null and sets error to one line.
    static std::unique_ptr<PluginInstance> Create(PluginModule& module, Steinberg::int32 classIndex,
                                                  HostApplication& host, std::string& error);
    // The same for the first class whose name equals name.
    static std::unique_ptr<PluginInstance> CreateByName(PluginModule& module,
                                                        const std::string& name,
                                                        HostApplication& host, std::string& error);

    // Stops processing, terminates and releases the plug-in.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    Steinberg::Vst::IComponent* Component() const { return component_.get(); }
    Steinberg::Vst::IAudioProcessor* Processor() const { return processor_.get(); }
    // Null when the plug-in has no edit controller.
    Steinberg::Vst::IEditController* Controller() const { return controller_.get(); }
    // Null when the controller does not offer units.
    Steinberg::Vst::IUnitInfo* UnitInfo() const { return unitInfo_.get(); }
    RecordingComponentHandler& Handler() const { return *handler_; }
    // The class id the instance was created from.
    const Steinberg::TUID& ClassId() const { return classId_; }

    // Stereo bus arrangements, setupProcessing, setActive(true),
    // setProcessing(true). false with error set when a step is refused.
    bool Start(const ProcessConfig& config, std::string& error);
    // setProcessing(false) and setActive(false); nothing when not started.
    void Stop();
    bool IsStarted() const { return started_; }
    const ProcessConfig& Config() const { return config_; }

    // Changes and events for the next Process call, which then empties them.
    ParameterChangeList& ParameterChanges() { return parameterChanges_; }
    NoteEventList& Events() { return events_; }

    // Transport: the playing bit of the process context.
    void SetPlaying(bool playing) { playing_ = playing; }
    bool IsPlaying() const { return playing_; }
    void SetTempo(double bpm) { tempo_ = bpm; }
    // Project time in samples of the next block; it advances by each block's frames.
    void SetProjectTime(Steinberg::int64 samples) { projectTime_ = samples; }
    Steinberg::int64 ProjectTime() const { return projectTime_; }

    // Processes one block of two-channel audio in the sample size given to
    // Start. inputs may be null for silence; outputs must hold two channels of
    // frames samples each.
    Steinberg::tresult Process(Steinberg::int32 frames, const float* const* inputs,
                               float* const* outputs);
    Steinberg::tresult Process(Steinberg::int32 frames, const double* const* inputs,
                               double* const* outputs);

    // Component state through a memory stream.
    bool GetState(std::vector<std::uint8_t>& bytes, std::string& error);
    Steinberg::tresult SetState(const std::vector<std::uint8_t>& bytes);

private:
    PluginInstance() = default;
    bool Initialize(PluginModule& module, const Steinberg::TUID cid, HostApplication& host,
                    std::string& error);
    Steinberg::Vst::ProcessContext NextContext() const;
    Steinberg::tresult ProcessBlock(Steinberg::int32 frames, void** inputs, void** outputs,
                                    Steinberg::int32 sampleSize);

    Steinberg::TUID classId_{};
    Steinberg::IPtr<Steinberg::Vst::IComponent> component_;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor_;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller_;
    Steinberg::IPtr<Steinberg::Vst::IUnitInfo> unitInfo_;
    Steinberg::IPtr<RecordingComponentHandler> handler_;
    bool componentInitialized_ = false;
    bool separateController_ = false;
    bool controllerInitialized_ = false;
    bool started_ = false;

    ProcessConfig config_;
    ParameterChangeList parameterChanges_;
    NoteEventList events_;
    bool playing_ = false;
    double tempo_ = 120.0;
    Steinberg::int64 projectTime_ = 0;
    // Silent input for blocks without host input.
    std::vector<double> silence_;
};

} // namespace tonewell::hostkit
