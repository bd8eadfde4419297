#include "EditForwarder.h"

namespace tonewell::standalone {

using namespace Steinberg;

IPtr<EditForwarder> EditForwarder::Create(ParameterChangeQueue& queue) {
    return owned(new EditForwarder(queue));
}

tresult PLUGIN_API EditForwarder::performEdit(Vst::ParamID id, Vst::ParamValue value) {
    if (queue_.Push({id, value})) return kResultOk;
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return kResultFalse;
}

tresult PLUGIN_API EditForwarder::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler::iid)) {
        addRef();
        *obj = static_cast<Vst::IComponentHandler*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API EditForwarder::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API EditForwarder::release() {
    const uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::standalone
