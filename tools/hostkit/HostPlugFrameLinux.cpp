#include "HostPlugFrameLinux.h"

namespace tonewell::hostkit {

using namespace Steinberg;

IPtr<HostPlugFrameLinux> HostPlugFrameLinux::Create(Linux::IRunLoop* runLoop,
                                                    ResizeHandler onResize) {
    return owned(new HostPlugFrameLinux(runLoop, std::move(onResize)));
}

tresult PLUGIN_API HostPlugFrameLinux::resizeView(IPlugView* view, ViewRect* newSize) {
    if (!view || !newSize) return kInvalidArgument;
    ++resizeRequests_;
    if (onResize_ && newSize->getWidth() > 0 && newSize->getHeight() > 0)
        onResize_(newSize->getWidth(), newSize->getHeight());
    return view->onSize(newSize);
}

tresult PLUGIN_API HostPlugFrameLinux::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, IPlugFrame::iid)) {
        addRef();
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (runLoop_ && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_.get();
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API HostPlugFrameLinux::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API HostPlugFrameLinux::release() {
    const uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::hostkit
