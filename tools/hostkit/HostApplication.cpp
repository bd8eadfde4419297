#include "HostApplication.h"

#include <public.sdk/source/vst/hosting/hostclasses.h>

#include "Utf16.h"

namespace tonewell::hostkit {

using namespace Steinberg;

IPtr<HostApplication> HostApplication::Create(const std::string& name) {
    // Reference counted as the interface demands; owned() adopts the first count.
    return owned(new HostApplication(name));
}

tresult PLUGIN_API HostApplication::getName(Vst::String128 name) {
    if (!name) return kInvalidArgument;
    CopyToField(name_, name, 128);
    return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    FUnknown* created = nullptr;
    if (FUnknownPrivate::iidEqual(cid, Vst::IMessage::iid) &&
        FUnknownPrivate::iidEqual(iid, Vst::IMessage::iid))
        created = new Vst::HostMessage;
    else if (FUnknownPrivate::iidEqual(cid, Vst::IAttributeList::iid) &&
             FUnknownPrivate::iidEqual(iid, Vst::IAttributeList::iid))
        created = new Vst::HostAttributeList;
    if (!created) return kResultFalse;
    // The SDK's objects start with one reference, which passes to the caller.
    *obj = created;
    return kResultOk;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, Vst::IHostApplication::iid)) {
        addRef();
        *obj = static_cast<Vst::IHostApplication*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API HostApplication::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API HostApplication::release() {
    uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::hostkit
