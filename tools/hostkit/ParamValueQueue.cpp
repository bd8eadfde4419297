#include "ParamValueQueue.h"

namespace tonewell::hostkit {

using namespace Steinberg;

void ParamValueQueue::Reset(Vst::ParamID id) {
    id_ = id;
    count_ = 0;
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset,
                                             Vst::ParamValue& value) {
    if (index < 0 || index >= count_) return kInvalidArgument;
    sampleOffset = points_[index].offset;
    value = points_[index].value;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, Vst::ParamValue value,
                                             int32& index) {
    int32 at = 0;
    while (at < count_ && points_[at].offset < sampleOffset)
        ++at;
    if (at < count_ && points_[at].offset == sampleOffset) {
        points_[at].value = value;
        index = at;
        return kResultOk;
    }
    if (count_ == kCapacity) return kResultFalse;
    for (int32 i = count_; i > at; --i)
        points_[i] = points_[i - 1];
    points_[at] = {sampleOffset, value};
    ++count_;
    index = at;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IParamValueQueue::iid)) {
        *obj = static_cast<Vst::IParamValueQueue*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace tonewell::hostkit
