#include "ViewPlatform.h"

const char* NativeViewPlatformType() {
    return "HWND";
}

// The window runs its own timer and messages.
std::unique_ptr<ViewRunLoop> MakeViewRunLoop() {
    return std::make_unique<ViewRunLoop>();
}
