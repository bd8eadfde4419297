#include "ViewPlatform.h"

const char* NativeViewPlatformType() {
    return "HWND";
}
