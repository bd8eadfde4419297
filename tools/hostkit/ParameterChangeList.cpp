#include "ParameterChangeList.h"

namespace tonewell::hostkit {

using namespace Steinberg;

ParameterChangeList::ParameterChangeList(int32 capacity)
    : queues_(static_cast<size_t>(capacity > 0 ? capacity : 1)) {}

bool ParameterChangeList::Add(Vst::ParamID id, Vst::ParamValue value, int32 sampleOffset) {
    int32 index = 0;
    Vst::IParamValueQueue* queue = addParameterData(id, index);
    int32 pointIndex = 0;
    return queue && queue->addPoint(sampleOffset, value, pointIndex) == kResultOk;
}

Vst::IParamValueQueue* PLUGIN_API ParameterChangeList::getParameterData(int32 index) {
    if (index < 0 || index >= count_) return nullptr;
    return &queues_[static_cast<size_t>(index)];
}

Vst::IParamValueQueue* PLUGIN_API ParameterChangeList::addParameterData(const Vst::ParamID& id,
                                                                        int32& index) {
    for (int32 i = 0; i < count_; ++i) {
        if (queues_[static_cast<size_t>(i)].getParameterId() == id) {
            index = i;
            return &queues_[static_cast<size_t>(i)];
        }
    }
    if (count_ == static_cast<int32>(queues_.size())) return nullptr;
    index = count_++;
    ParamValueQueue& queue = queues_[static_cast<size_t>(index)];
    queue.Reset(id);
    return &queue;
}

tresult PLUGIN_API ParameterChangeList::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IParameterChanges::iid)) {
        *obj = static_cast<Vst::IParameterChanges*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace tonewell::hostkit
