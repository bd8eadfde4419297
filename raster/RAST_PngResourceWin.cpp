// PNG resources on Windows: resources of type "PNG" in a module.
#include <windows.h>

#include "RAST_PngDecoder.h"

bool RAST_FindPNGResourceBytes(void* module, int id, const void** data, std::size_t* size) {
    // Id 0 would be a null resource name, which FindResourceA reads as no name at all.
    const WORD resourceId = WORD(id & 0xFFFF);
    if (resourceId == 0 || !data || !size) return false;
    // A null module is the process's executable, as for every resource call.
    const HMODULE handle = static_cast<HMODULE>(module);
    const HRSRC resource = FindResourceA(handle, MAKEINTRESOURCEA(resourceId), "PNG");
    if (!resource) return false;
    const DWORD bytes = SizeofResource(handle, resource);
    if (bytes <= 7) return false;
    const HGLOBAL loaded = LoadResource(handle, resource);
    if (!loaded) return false;
    // Resource memory belongs to the module and is never freed.
    const void* locked = LockResource(loaded);
    if (!locked) return false;
    *data = locked;
    *size = bytes;
    return true;
}

RAST_IBitmap* RAST_DecodePNGResource(void* module, int id, RAST_IBitmap* target) {
    const void* data = nullptr;
    std::size_t size = 0;
    if (!RAST_FindPNGResourceBytes(module, id, &data, &size)) return nullptr;
    return RAST_DecodePNGMemory(data, size, target);
}
