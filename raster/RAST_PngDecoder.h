// Decoding of PNG images into 32-bit bitmaps (straight alpha, Pixel format).
#pragma once

#include <cstddef>
#include <memory>

#include "RAST_IBitmap.h"

// Largest image the decoder accepts: each side at most RAST_MAX_DIMENSION
// pixels and at most this many pixels in all (64 MiB of pixel memory, some
// 120 times the editor's background), so a forged header cannot make it
// allocate more.
constexpr long long RAST_PNG_MAX_PIXELS = 1LL << 24;

// Decodes the PNG image in data[0..size). With a null target the result is a
// new RAST_MemBitmap (row alignment 4) that the caller owns; with a target, the
// target is resized to the image, filled and returned. Null on any failure:
// null or short data, no PNG signature, a damaged or truncated image, an image
// beyond the limits above, or no pixel memory. A target is never destroyed;
// after a failure its size and contents are unspecified.
RAST_IBitmap* RAST_DecodePNGMemory(const void* data, std::size_t size,
                                   RAST_IBitmap* target = nullptr);

// Decodes the PNG resource `id` (its low 16 bits) of the given module, as
// RAST_DecodePNGMemory does. On Windows `module` is the HMODULE whose resources
// of type "PNG" are searched; on Linux the images are compiled into the binary
// (tonewell_add_png_resources) and `module` is not used.
RAST_IBitmap* RAST_DecodePNGResource(void* module, int id, RAST_IBitmap* target = nullptr);

// The bytes of PNG resource `id` of the module (see RAST_DecodePNGResource);
// they belong to the module and stay valid while it is loaded. False when
// there is no such resource or it is too short to be an image.
bool RAST_FindPNGResourceBytes(void* module, int id, const void** data, std::size_t* size);

// The size of the PNG image in data[0..size) from its header, by the rules of
// RAST_DecodePNGMemory, without decoding the pixels. False where decoding
// would fail at the header.
bool RAST_PNGMemorySize(const void* data, std::size_t size, int* width, int* height);

// PNG resource `id` as a bitmap whose size is read from the header now and
// whose pixels are decoded on first use (RAST_LazyBitmap), so that images no
// one draws cost nothing. Null when the resource is missing or its header is
// not one RAST_DecodePNGMemory accepts.
std::unique_ptr<RAST_IBitmap> RAST_LazyPNGResource(void* module, int id);
