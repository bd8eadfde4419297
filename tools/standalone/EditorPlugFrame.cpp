#include "EditorPlugFrame.h"

namespace tonewell::standalone {

using namespace Steinberg;

IPtr<EditorPlugFrame> EditorPlugFrame::Create(ResizeHandler onResize) {
    return owned(new EditorPlugFrame(std::move(onResize)));
}

tresult PLUGIN_API EditorPlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (!view || !newSize) return kInvalidArgument;
    // A size of nothing would leave no editor to see.
    if (newSize->getWidth() <= 0 || newSize->getHeight() <= 0) return kInvalidArgument;
    if (onResize_) onResize_(newSize->getWidth(), newSize->getHeight());
    return view->onSize(newSize);
}

tresult PLUGIN_API EditorPlugFrame::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, IPlugFrame::iid)) {
        addRef();
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API EditorPlugFrame::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API EditorPlugFrame::release() {
    const uint32 left = --refCount_;
    if (left == 0) delete this;
    return left;
}

} // namespace tonewell::standalone
