#include "ViewPlatform.h"

// The editor exists here without a window, so no host window type is taken.
const char* NativeViewPlatformType() {
    return nullptr;
}
