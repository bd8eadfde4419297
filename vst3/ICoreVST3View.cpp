#include "ICoreVST3View.h"

#include <cstring>

#include "ICoreVST3.h"

using namespace Steinberg;

namespace {
constexpr const char* kPlatformHwnd = "HWND";
}

ICoreVST3View::ICoreVST3View(ICoreVST3& plug) : plugin(plug) {
    plugin.addRef();
}

ICoreVST3View::~ICoreVST3View() {
    plugin.ForgetView(this);
    plugin.release();
}

tresult PLUGIN_API ICoreVST3View::isPlatformTypeSupported(FIDString type) {
    if (!plugin.Editor() || !type) return kResultFalse;
    return std::strcmp(type, kPlatformHwnd) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API ICoreVST3View::attached(void* parent, FIDString type) {
    IEditorSurface* surface = plugin.Editor();
    if (!surface) return kResultFalse;
    systemWindow = parent;
    if (type && std::strcmp(type, kPlatformHwnd) == 0) surface->OpenEditorWindow(parent);
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3View::removed() {
    if (IEditorSurface* surface = plugin.Editor()) surface->CloseEditorWindow();
    systemWindow = nullptr;
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3View::getSize(ViewRect* size) {
    IEditorSurface* surface = plugin.Editor();
    if (!surface || !size) return kResultFalse;
    *size = ViewRect(0, 0, surface->Width(), surface->Height());
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3View::onSize(ViewRect* newSize) {
    if (newSize) rect = *newSize;
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3View::setFrame(IPlugFrame* frame) {
    plugFrame = frame;
    return kResultOk;
}
