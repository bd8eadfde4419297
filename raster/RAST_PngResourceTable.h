// PNG images compiled into the binary, for platforms without native module
// resources (Linux). tonewell_add_png_resources generates the tables and
// registers them at start-up; RAST_DecodePNGResource looks ids up here.
#pragma once

#include <cstddef>

struct RAST_PngResource {
    int id;
    const unsigned char* data;
    std::size_t size;
};

// The table must stay valid while registered. An id present in several
// tables resolves to the table registered first.
void RAST_RegisterPngResources(const RAST_PngResource* table, std::size_t count);
void RAST_UnregisterPngResources(const RAST_PngResource* table);

// The resource whose id has the same low 16 bits as `id`, or null.
const RAST_PngResource* RAST_FindPngResource(int id);

// Registers a table for the lifetime of a static object of this type.
class RAST_PngResourceRegistration {
public:
    RAST_PngResourceRegistration(const RAST_PngResource* table, std::size_t count) : table_(table) {
        RAST_RegisterPngResources(table, count);
    }
    ~RAST_PngResourceRegistration() { RAST_UnregisterPngResources(table_); }
    RAST_PngResourceRegistration(const RAST_PngResourceRegistration&) = delete;
    RAST_PngResourceRegistration& operator=(const RAST_PngResourceRegistration&) = delete;

private:
    const RAST_PngResource* table_;
};
