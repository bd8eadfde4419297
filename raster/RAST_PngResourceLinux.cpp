// PNG resources on Linux: images compiled into the binary as byte tables.
#include <algorithm>
#include <mutex>
#include <vector>

#include "RAST_PngDecoder.h"
#include "RAST_PngResourceTable.h"

namespace {

struct Table {
    const RAST_PngResource* entries;
    std::size_t count;
};

// Tables register from static initialisers of the binary they are part of;
// a function-local registry exists before the first of them and outlives them.
struct Registry {
    std::mutex lock;
    std::vector<Table> tables;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

void RAST_RegisterPngResources(const RAST_PngResource* table, std::size_t count) {
    if (!table || count == 0) return;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    registry.tables.push_back({table, count});
}

void RAST_UnregisterPngResources(const RAST_PngResource* table) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    auto& tables = registry.tables;
    tables.erase(std::remove_if(tables.begin(), tables.end(),
                                [table](const Table& t) { return t.entries == table; }),
                 tables.end());
}

const RAST_PngResource* RAST_FindPngResource(int id) {
    const int wanted = id & 0xFFFF;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> hold(registry.lock);
    for (const Table& table : registry.tables)
        for (std::size_t i = 0; i < table.count; ++i)
            if ((table.entries[i].id & 0xFFFF) == wanted) return &table.entries[i];
    return nullptr;
}

bool RAST_FindPNGResourceBytes(void* module, int id, const void** data, std::size_t* size) {
    // Every image is part of this binary; there is no module to search.
    (void)module;
    // Id 0 is no resource id (on Windows it would be a null resource name).
    if ((id & 0xFFFF) == 0 || !data || !size) return false;
    const RAST_PngResource* resource = RAST_FindPngResource(id);
    // Smaller than a PNG signature: not an image (the decoder would say so too).
    if (!resource || !resource->data || resource->size <= 7) return false;
    *data = resource->data;
    *size = resource->size;
    return true;
}

RAST_IBitmap* RAST_DecodePNGResource(void* module, int id, RAST_IBitmap* target) {
    const void* data = nullptr;
    std::size_t size = 0;
    if (!RAST_FindPNGResourceBytes(module, id, &data, &size)) return nullptr;
    return RAST_DecodePNGMemory(data, size, target);
}
