#include "ICoreVST3View.h"

#include <algorithm>
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
        hostAttached = true;
        rect = ViewRect(0, 0, surface->PixelWidth(), surface->PixelHeight());
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
    hostAttached = true;
    // The host sized its window by getSize before this call.
    rect = ViewRect(0, 0, surface->PixelWidth(), surface->PixelHeight());
    surface->SetSystemScaleListener([this](double factor) { FollowSystemScale(factor); });
    FollowSystemScale(surface->SystemScaleFactor());
    return kResultOk;
}

void ICoreVST3View::StopRunLoop() {
    runLoop->Stop();
    if (IEditorSurface* surface = plugin.Editor()) surface->SetSystemScaleListener(nullptr);
}

tresult PLUGIN_API ICoreVST3View::removed() {
    CloseEditor();
    systemWindow = nullptr;
    hostAttached = false;
    return kResultOk;
}

void ICoreVST3View::CloseEditor() {
    // Only the view that holds the window closes it; another view's window
    // stays open when an older view goes.
    if (plugin.EditorView() != this) return;
    runLoop->Stop();
    plugin.SetEditorView(nullptr);
    if (IEditorSurface* surface = plugin.Editor()) {
        surface->SetSystemScaleListener(nullptr);
        surface->CloseEditorWindow();
    }
}

tresult PLUGIN_API ICoreVST3View::getSize(ViewRect* size) {
    IEditorSurface* surface = plugin.Editor();
    if (!surface || !size) return kResultFalse;
    *size = ViewRect(0, 0, surface->PixelWidth(), surface->PixelHeight());
    return kResultOk;
}

// The size follows the scale factor only; the host's size is noted so that
// the host is asked again only when the editor's size differs from it.
tresult PLUGIN_API ICoreVST3View::onSize(ViewRect* newSize) {
    if (newSize) rect = *newSize;
    return kResultOk;
}

tresult PLUGIN_API ICoreVST3View::setContentScaleFactor(ScaleFactor factor) {
    if (!ApplyScaleFactor(factor)) return kResultFalse;
    hostSetScale = true;
    return kResultTrue;
}

void ICoreVST3View::FollowSystemScale(double factor) {
    if (hostSetScale || !(factor > 0.0)) return;
    ApplyScaleFactor(std::clamp(factor, 1.0, 4.0));
}

bool ICoreVST3View::ApplyScaleFactor(double factor) {
    IEditorSurface* surface = plugin.Editor();
    if (!surface || !surface->SetScaleFactor(factor)) return false;
    AskHostForSize();
    return true;
}

void ICoreVST3View::AskHostForSize() {
    // A host that sets a factor from inside resizeView (or the onSize it
    // calls) is asked for that size when its resizeView returns.
    sizePending = true;
    if (askingHost) return;
    askingHost = true;
    for (int round = 0; round < kMaxResizeRounds && sizePending; ++round) {
        sizePending = false;
        IEditorSurface* surface = plugin.Editor();
        if (!hostAttached || !plugFrame || !surface) break;
        ViewRect wanted(0, 0, surface->PixelWidth(), surface->PixelHeight());
        if (wanted.getWidth() == rect.getWidth() && wanted.getHeight() == rect.getHeight()) break;
        // Hosts that do not call onSize back keep the size they granted.
        if (plugFrame->resizeView(this, &wanted) == kResultTrue) rect = wanted;
    }
    sizePending = false;
    askingHost = false;
}

tresult PLUGIN_API ICoreVST3View::setFrame(IPlugFrame* frame) {
    plugFrame = frame;
    return kResultOk;
}
