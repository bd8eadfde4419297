#include "RecordingComponentHandler.h"

#include <algorithm>

namespace tonewell::hostkit {

using namespace Steinberg;

IPtr<RecordingComponentHandler> RecordingComponentHandler::Create() {
    return owned(new RecordingComponentHandler);
}

std::vector<RecordingComponentHandler::Call> RecordingComponentHandler::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

void RecordingComponentHandler::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

int RecordingComponentHandler::Restarts(int32 flags) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (const Call& call : calls_)
        count += call.kind == CallKind::Restart && (static_cast<int32>(call.id) & flags) != 0;
    return count;
}

void RecordingComponentHandler::Offer(const TUID iid, FUnknown* object) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::copy(iid, iid + sizeof(TUID), offeredIid_);
    offered_ = object;
}

void RecordingComponentHandler::OnRestart(std::function<void(int32)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    restartHook_ = std::move(hook);
}

void RecordingComponentHandler::Record(CallKind kind, Vst::ParamID id, Vst::ParamValue value) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({kind, id, value});
}

tresult PLUGIN_API RecordingComponentHandler::beginEdit(Vst::ParamID id) {
    Record(CallKind::BeginEdit, id, 0.0);
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::performEdit(Vst::ParamID id, Vst::ParamValue value) {
    Record(CallKind::PerformEdit, id, value);
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::endEdit(Vst::ParamID id) {
    Record(CallKind::EndEdit, id, 0.0);
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::restartComponent(int32 flags) {
    Record(CallKind::Restart, static_cast<Vst::ParamID>(flags), 0.0);
    std::function<void(int32)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = restartHook_;
    }
    if (hook) hook(flags);
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler::iid)) {
        addRef();
        *obj = static_cast<Vst::IComponentHandler*>(this);
        return kResultOk;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (offered_ && FUnknownPrivate::iidEqual(iid, offeredIid_))
            return offered_->queryInterface(iid, obj);
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API RecordingComponentHandler::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API RecordingComponentHandler::release() {
    uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::hostkit
