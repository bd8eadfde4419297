#include <windows.h>

#include "PngTestSupport.h"

void* TestModuleHandle() {
    return GetModuleHandleA(nullptr);
}
