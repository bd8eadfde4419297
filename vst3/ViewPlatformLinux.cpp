#include "ViewPlatform.h"
#include "ViewRunLoopLinux.h"

const char* NativeViewPlatformType() {
    return "X11EmbedWindowID";
}

// The host's run loop drives the window.
std::unique_ptr<ViewRunLoop> MakeViewRunLoop() {
    return std::make_unique<ViewRunLoopLinux>();
}
