#include "PngTestSupport.h"

// Images built into this executable are found without a module handle.
void* TestModuleHandle() {
    return nullptr;
}
