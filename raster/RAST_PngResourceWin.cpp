// PNG resources on Windows: resources of type "PNG" in a module.
#include <windows.h>

#include "RAST_PngDecoder.h"

RAST_IBitmap* RAST_DecodePNGResource(void* module, int id, RAST_IBitmap* target) {
    // Id 0 would be a null resource name, which FindResourceA reads as no name at all.
    const WORD resourceId = WORD(id & 0xFFFF);
    if (resourceId == 0) return nullptr;
    // A null module is the process's executable, as for every resource call.
    const HMODULE handle = static_cast<HMODULE>(module);
    const HRSRC resource = FindResourceA(handle, MAKEINTRESOURCEA(resourceId), "PNG");
    if (!resource) return nullptr;
    const DWORD size = SizeofResource(handle, resource);
    if (size <= 7) return nullptr;
    const HGLOBAL loaded = LoadResource(handle, resource);
    if (!loaded) return nullptr;
    // Resource memory belongs to the module and is never freed.
    const void* data = LockResource(loaded);
    if (!data) return nullptr;
    return RAST_DecodePNGMemory(data, size, target);
}
