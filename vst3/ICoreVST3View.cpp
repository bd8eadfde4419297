#include "ICoreVST3View.h"

#include <cstring>

#include "ICoreVST3.h"
#include "ViewPlatform.h"

using namespace Steinberg;

namespace {
bool IsNativePlatform(FIDString type) {
    const char* native = NativeViewPlatformType();
    return type && native && std::strcmp(type, native) == 0;
}
} // namespace

ICoreVST3View::ICoreVST3View(ICoreVST3& plug) : plugin(plug), runLoop(MakeViewRunLoop()) {
    plugin.addRef();
}

ICoreVST3View::~ICoreVST3View() {
    // A host may release the view without removing it first: the window
    // must not stay behind in a host window that is going away.
    CloseEditor();
    runLoop->Stop();
    plugin.ForgetView(this);
    plugin.release();
}

tresult PLUGIN_API ICoreVST3View::isPlatformTypeSupported(FIDString type) {
    if (!plugin.Editor()) return kResultFalse;
    return IsNativePlatform(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API ICoreVST3View::attached(void* parent, FIDString type) {
    IEditorSurface* surface = plugin.Editor();
    if (!surface) return kResultFalse;
    if (!IsNativePlatform(type)) {
        systemWindow = parent;
        return kResultOk;
    }
    // A window that the host's run loop must drive is not opened without one.
    if (!runLoop->Available(plugFrame)) return kResultFalse;
    systemWindow = parent;
    // Opening again (here or in another view) moves the one window; the view
    // that held it stops driving it first.
    if (ICoreVST3View* holder = plugin.EditorView()) holder->StopRunLoop();
    surface->OpenEditorWindow(parent);
    plugin.SetEditorView(this);
    if (!runLoop->Start(plugFrame, *surface)) {
        CloseEditor();
        systemWindow = nullptr;
        return kResultFalse;
    }
    return kResultOk;
}

void ICoreVST3View::StopRunLoop() {
    runLoop->Stop();
}

tresult PLUGIN_API ICoreVST3View::removed() {
    CloseEditor();
    systemWindow = nullptr;
    return kResultOk;
}

void ICoreVST3View::CloseEditor() {
    // Only the view that holds the window closes it; another view's window
    // stays open when an older view goes.
    if (plugin.EditorView() != this) return;
    runLoop->Stop();
    plugin.SetEditorView(nullptr);
    if (IEditorSurface* surface = plugin.Editor()) surface->CloseEditorWindow();
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
