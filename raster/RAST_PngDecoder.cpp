#include "RAST_PngDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <png.h>
#include <vector>

#include "RAST_LazyBitmap.h"
#include "RAST_MemBitmap.h"

namespace {

constexpr std::size_t kSignatureBytes = 8;

// Known ancillary chunks that cannot change the decoded pixels (no gamma,
// colour or background step is ever requested). libpng passes over them
// without parsing: for this decoder text, profiles and metadata are attack
// surface only (compressed text and profiles, large allocations). tRNS stays.
constexpr png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0"
                                      "pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int kIgnoredChunkCount = int(sizeof kIgnoredChunks / 5);

// libpng's user read context: the unread rest of the image in memory.
struct MemoryReader {
    const unsigned char* next;
    std::size_t remaining;
};

// A request that runs over the end is zero-filled, so libpng's own chunk
// checks reject the image. A request that starts at the end is an error at
// once: libpng skips unknown chunks by reading them, and a truncated file
// declaring a 2 GiB chunk would otherwise be "read" as 2 GiB of zeros.
// png_error jumps out of here; this frame holds nothing with a destructor.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > 0 && reader->remaining == 0) png_error(png, "read past the end of the image");
    std::memset(out, 0, length);
    const std::size_t n = std::min<std::size_t>(length, reader->remaining);
    if (n == 0) return;
    std::memcpy(out, reader->next, n);
    reader->next += n;
    reader->remaining -= n;
}

// Owns libpng's read and info structs for the length of one decode.
class ReadStructs {
public:
    ReadStructs() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~ReadStructs() { Destroy(); }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;

    bool Valid() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    void Destroy() {
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
        png_ = nullptr;
        info_ = nullptr;
    }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// The two functions below set libpng's error return point. libpng reports an
// error with longjmp back into the function that set it, so they hold nothing
// with a destructor and the frames in between are libpng's C code and
// ReadFromMemory: no destructor is ever skipped. After a jump they only return.

// Reads the header and requests the transformations that make every decoded
// pixel four bytes: alpha, red, green, blue. False on any error, or if the
// rows would not come out as 4 bytes per pixel.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) return false;

    // libpng refuses larger images while reading the header, before it
    // allocates anything for the rows.
    png_set_user_limits(png, RAST_MAX_DIMENSION, RAST_MAX_DIMENSION);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Fuzzed inputs rarely keep valid checksums; let them reach the decoding.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colorType, &interlace, &compression, &filter);

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        colorType |= PNG_COLOR_MASK_ALPHA;
    }
    if (bitDepth == 16) png_set_strip_16(png);
    if (bitDepth < 8) png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (colorType & PNG_COLOR_MASK_ALPHA)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);

    // Interlaced images are de-interlaced by libpng's passes in png_read_image.
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // Rows go straight into the bitmap: they must be exactly one Pixel each.
    if (png_get_rowbytes(png, info) != std::size_t(w) * 4) return false;

    *width = w;
    *height = h;
    return true;
}

bool ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

// Whether a decoded size is one the decoder takes.
bool WithinLimits(png_uint_32 w, png_uint_32 h) {
    return w > 0 && h > 0 && w <= png_uint_32(RAST_MAX_DIMENSION) &&
           h <= png_uint_32(RAST_MAX_DIMENSION) && (long long)w * h <= RAST_PNG_MAX_PIXELS;
}

RAST_IBitmap* Decode(const unsigned char* bytes, std::size_t size, RAST_IBitmap* target) {
    ReadStructs structs;
    if (!structs.Valid()) return nullptr;
    MemoryReader reader{bytes, size};
    png_set_read_fn(structs.png(), &reader, ReadFromMemory);

    png_uint_32 w = 0, h = 0;
    if (!ReadHeader(structs.png(), structs.info(), &w, &h)) return nullptr;
    if (!WithinLimits(w, h)) return nullptr;
    const int width = int(w), height = int(h);

    std::unique_ptr<RAST_MemBitmap> created;
    RAST_IBitmap* bitmap = target;
    if (bitmap) {
        bitmap->resize(width, height);
    } else {
        created = std::make_unique<RAST_MemBitmap>(width, height, 4);
        bitmap = created.get();
    }
    // A failed allocation shows as a bitmap without pixels or of another size.
    Pixel* const pixels = bitmap->pixelData();
    const int stride = bitmap->rowStride();
    if (!pixels || bitmap->width() != width || bitmap->height() != height || stride < width)
        return nullptr;

    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    const bool bottomUp = bitmap->bottomUp();
    for (int y = 0; y < height; ++y) {
        const int stored = bottomUp ? height - 1 - y : y;
        rows[std::size_t(y)] = reinterpret_cast<png_bytep>(pixels + std::size_t(stored) * stride);
    }
    if (!ReadRows(structs.png(), rows.data())) return nullptr;
    structs.Destroy();

    // Bytes a, r, g, b become one Pixel word, in place.
    for (png_bytep row : rows) {
        Pixel* out = reinterpret_cast<Pixel*>(row);
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + std::size_t(x) * 4;
            out[x] = Pixel(p[0]) << 24 | Pixel(p[1]) << 16 | Pixel(p[2]) << 8 | Pixel(p[3]);
        }
    }
    // A bitmap made here now belongs to the caller.
    return created ? created.release() : bitmap;
}

} // namespace

RAST_IBitmap* RAST_DecodePNGMemory(const void* data, std::size_t size, RAST_IBitmap* target) {
    if (!data || size < kSignatureBytes) return nullptr;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (png_sig_cmp(bytes, 0, kSignatureBytes) != 0) return nullptr;
    try {
        return Decode(bytes, size, target);
    } catch (const std::bad_alloc&) {
        // Failures are results, never exceptions leaving the raster library.
        return nullptr;
    }
}

bool RAST_PNGMemorySize(const void* data, std::size_t size, int* width, int* height) {
    if (!data || size < kSignatureBytes || !width || !height) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (png_sig_cmp(bytes, 0, kSignatureBytes) != 0) return false;
    ReadStructs structs;
    if (!structs.Valid()) return false;
    MemoryReader reader{bytes, size};
    png_set_read_fn(structs.png(), &reader, ReadFromMemory);
    png_uint_32 w = 0, h = 0;
    if (!ReadHeader(structs.png(), structs.info(), &w, &h) || !WithinLimits(w, h)) return false;
    *width = int(w);
    *height = int(h);
    return true;
}

std::unique_ptr<RAST_IBitmap> RAST_LazyPNGResource(void* module, int id) {
    const void* data = nullptr;
    std::size_t size = 0;
    int width = 0, height = 0;
    if (!RAST_FindPNGResourceBytes(module, id, &data, &size) ||
        !RAST_PNGMemorySize(data, size, &width, &height))
        return nullptr;
    try {
        // Resource memory stays with the module, so the bytes can be decoded later.
        return std::make_unique<RAST_LazyBitmap>(
            width, height,
            [data, size](RAST_MemBitmap& target) {
                return RAST_DecodePNGMemory(data, size, &target) != nullptr;
            },
            RAST_LazyBitmap::Recipe{data, 0, 0});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
