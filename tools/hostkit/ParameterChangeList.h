#pragma once

#include <pluginterfaces/vst/ivstparameterchanges.h>
#include <vector>

#include "ParamValueQueue.h"

namespace tonewell::hostkit {

// The parameter changes of one block: one queue per parameter id, up to a
// capacity fixed at construction, so that adding changes never allocates.
// Host-owned like ParamValueQueue.
class ParameterChangeList : public Steinberg::Vst::IParameterChanges {
public:
    explicit ParameterChangeList(Steinberg::int32 capacity = 64);

    // Adds one point for id; false when the list or the queue is full.
    bool Add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value,
             Steinberg::int32 sampleOffset = 0);
    void Clear() { count_ = 0; }

    Steinberg::int32 PLUGIN_API getParameterCount() override { return count_; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    // Returns the queue already holding id, or a fresh one; null when full.
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<ParamValueQueue> queues_;
    Steinberg::int32 count_ = 0;
};

} // namespace tonewell::hostkit
