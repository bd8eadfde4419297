#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <vector>

namespace tonewell::hostkit {

// Component handler that records every call the plug-in makes, so a host can
// see which edits and restarts the plug-in asked for.
class RecordingComponentHandler : public Steinberg::Vst::IComponentHandler {
public:
    enum class CallKind { BeginEdit, PerformEdit, EndEdit, Restart };

    struct Call {
        CallKind kind;
        Steinberg::Vst::ParamID id; // restart flags for Restart
        Steinberg::Vst::ParamValue value;
    };

    static Steinberg::IPtr<RecordingComponentHandler> Create();

    // A copy, because the plug-in may call from another thread.
    std::vector<Call> Calls() const;
    void Clear();
    // Restarts asked for so far whose flags include any of flags.
    int Restarts(Steinberg::int32 flags) const;
    // Hands out object for iid in queryInterface (a host's run loop, say);
    // null stops it.
    void Offer(const Steinberg::TUID iid, Steinberg::FUnknown* object);
    // Called, after recording, inside each restartComponent.
    void OnRestart(std::function<void(Steinberg::int32 flags)> hook);

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    RecordingComponentHandler() = default;
    virtual ~RecordingComponentHandler() = default;
    void Record(CallKind kind, Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value);

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    Steinberg::TUID offeredIid_{};
    Steinberg::IPtr<Steinberg::FUnknown> offered_;
    std::function<void(Steinberg::int32)> restartHook_;
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::hostkit
