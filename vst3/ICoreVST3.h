#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "HostNotifier.h"
#include "HostTimeInfo.h"
#include "ICoreBase.h"
#include "SingleComponentEffect.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"

class ICoreVST3View;

// The plug-in core as one VST 3 object that is both audio processor and edit
// controller: buses, processing, parameters, programs and units, state and
// the editor view.
class ICoreVST3 : public ICoreBase,
                  public Steinberg::Vst::IUnitInfo,
                  public Steinberg::Vst::SingleComponentEffect {
public:
    static constexpr Steinberg::Vst::ParamID kProgramChangeId = 0x70727374; // "prst"
    static constexpr Steinberg::Vst::ParamID kBypassId = 0x62706173;        // "bpas"
    // Scratch buffers are never larger than this; longer blocks run in pieces.
    static constexpr int kMaxScratchFrames = 8192;
    // What a state stream may hold before reading stops.
    static constexpr int kMaxStateBytes = 1 << 20;

    explicit ICoreVST3(const PluginIdentity& identity);
    ~ICoreVST3() override;

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;

    // IComponent
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;

    // IAudioProcessor
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 size) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

    // IEditController
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                   Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::ParamValue value,
                                                        Steinberg::Vst::String128 string) override;
    Steinberg::tresult PLUGIN_API getParamValueByString(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::TChar* string,
                                                        Steinberg::Vst::ParamValue& value) override;
    Steinberg::Vst::ParamValue PLUGIN_API
    plainParamToNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue plain) override;
    Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;
    Steinberg::tresult PLUGIN_API
    setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override;

    // IUnitInfo
    Steinberg::int32 PLUGIN_API getUnitCount() override;
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) override;
    Steinberg::int32 PLUGIN_API getProgramListCount() override;
    Steinberg::tresult PLUGIN_API
    getProgramListInfo(Steinberg::int32 listIndex, Steinberg::Vst::ProgramListInfo& info) override;
    Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::CString attributeId,
                                                 Steinberg::Vst::String128 attributeValue) override;
    Steinberg::tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                                       Steinberg::int32 programIndex) override;
    Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                      Steinberg::int32 programIndex,
                                                      Steinberg::int16 midiPitch,
                                                      Steinberg::Vst::String128 name) override;
    Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override;
    Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
    Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                               Steinberg::Vst::BusDirection dir,
                                               Steinberg::int32 busIndex, Steinberg::int32 channel,
                                               Steinberg::Vst::UnitID& unitId) override;
    Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                     Steinberg::int32 programIndex,
                                                     Steinberg::IBStream* data) override;

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    REFCOUNT_METHODS(SingleComponentEffect)

    // Operations for the core and the engine.
    void BeginHostEdit(int index) override;
    void NotifyHostOfEdit(int index, double normalized) override;
    void EndHostEdit(int index) override;
    int32_t SamplePosition() override;
    double Tempo() override;
    void TimeSignature(int* numerator, int* denominator) override;
    bool EmitMidiMessage(const MidiMessage& message) override;
    void SetLatencySamples(int samples) override;
    int TransportState() const;
    bool IsOffline() const;
    void TimeInfo(HostTimeInfo& info) const;
    // The host's timeline for the coming blocks; process copies each context.
    void SetProcessContext(const Steinberg::Vst::ProcessContext& context);

    int SideChainChannels() const { return sideChainChannels; }
    int NumViews() const { return static_cast<int>(views.size()); }
    // Called by a view when it is destroyed.
    void ForgetView(ICoreVST3View* view);
    // The view whose host window holds the editor's window now, if any: the
    // one surface can be open in one place only.
    ICoreVST3View* EditorView() const { return editorView; }
    void SetEditorView(ICoreVST3View* view);

protected:
    Steinberg::tresult loadComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult saveComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult loadControllerState(Steinberg::IBStream* state) override;
    Steinberg::tresult saveControllerState(Steinberg::IBStream* state) override;

private:
    void RegisterParameters();
    int UnitForGroup(const char* group);
    void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
    void HandleEvents(Steinberg::Vst::IEventList* events);
    void ConnectChannels(const Steinberg::Vst::ProcessData& data);
    void Process32(Steinberg::Vst::ProcessData& data);
    void Process64(Steinberg::Vst::ProcessData& data);
    int ProgramFromNormalized(double value) const;

    // Carries restart requests to the host after its call has returned;
    // present between initialize and terminate.
    std::unique_ptr<HostNotifier> notifier;
    Steinberg::Vst::ProcessContext hostContext{};
    int sideChainChannels;
    std::vector<ICoreVST3View*> views;
    ICoreVST3View* editorView = nullptr;
    std::vector<std::string> paramGroups;
    std::vector<std::string> inputLabels, outputLabels;
};
