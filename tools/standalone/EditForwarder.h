#pragma once

#include <atomic>
#include <cstdint>
#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>

#include "ParameterChangeQueue.h"

namespace tonewell::standalone {

// The component handler the controller reports its edits to: each edit goes
// on to the processor through the queue the audio callback reads, as a DAW
// forwards it. Edits that find the queue full are counted and dropped.
class EditForwarder : public Steinberg::Vst::IComponentHandler {
public:
    static Steinberg::IPtr<EditForwarder> Create(ParameterChangeQueue& queue);

    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override {
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override {
        return Steinberg::kResultOk;
    }
    // The controller already shows its new values; nothing else to restart.
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override {
        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    explicit EditForwarder(ParameterChangeQueue& queue) : queue_(queue) {}
    virtual ~EditForwarder() = default;

    ParameterChangeQueue& queue_;
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<Steinberg::uint32> refCount_{1};
};

} // namespace tonewell::standalone
