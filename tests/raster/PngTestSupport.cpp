#include "PngTestSupport.h"

#include <csetjmp>
#include <cstring>
#include <zlib.h>

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Holds nothing with a destructor: libpng's errors jump back here.
bool Write(png_structp png, png_infop info, const PngDescription& desc, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, png_uint_32(desc.width), png_uint_32(desc.height), desc.bitDepth,
                 desc.colorType, desc.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!desc.palette.empty())
        png_set_PLTE(png, info, desc.palette.data(), int(desc.palette.size()));
    if (!desc.paletteAlpha.empty())
        png_set_tRNS(png, info, desc.paletteAlpha.data(), int(desc.paletteAlpha.size()), nullptr);
    if (desc.hasTransparentColor) png_set_tRNS(png, info, nullptr, 0, &desc.transparentColor);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::uint32_t ReadBigEndian(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

void WriteBigEndian(unsigned char* p, std::uint32_t v) {
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

} // namespace

std::vector<unsigned char> EncodePng(const PngDescription& desc) {
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return out;
    png_infop info = png_create_info_struct(png);
    std::vector<std::vector<unsigned char>> rowData = desc.rows;
    std::vector<png_bytep> rows;
    for (auto& row : rowData)
        rows.push_back(row.data());
    png_set_write_fn(png, &out, AppendToVector, NoFlush);
    const bool ok = info && int(rows.size()) == desc.height && Write(png, info, desc, rows.data());
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) out.clear();
    return out;
}

void PatchHeaderSize(std::vector<unsigned char>& png, std::uint32_t width, std::uint32_t height) {
    // Signature (8), then IHDR: length (4), type (4), width, height, ..., CRC over type and data.
    unsigned char* ihdr = png.data() + 8;
    WriteBigEndian(ihdr + 8, width);
    WriteBigEndian(ihdr + 12, height);
    const std::uint32_t length = ReadBigEndian(ihdr);
    const uLong crc = crc32(crc32(0, nullptr, 0), ihdr + 4, uInt(4 + length));
    WriteBigEndian(ihdr + 8 + length, std::uint32_t(crc));
}

void InsertChunk(std::vector<unsigned char>& png, const char type[4],
                 const std::vector<unsigned char>& data) {
    std::vector<unsigned char> chunk(8 + data.size() + 4);
    WriteBigEndian(chunk.data(), std::uint32_t(data.size()));
    std::memcpy(&chunk[4], type, 4);
    if (!data.empty()) std::memcpy(&chunk[8], data.data(), data.size());
    const uLong crc = crc32(crc32(0, nullptr, 0), &chunk[4], uInt(4 + data.size()));
    WriteBigEndian(&chunk[8 + data.size()], std::uint32_t(crc));
    const std::size_t afterHeader = 8 + 12 + ReadBigEndian(&png[8]);
    png.insert(png.begin() + std::ptrdiff_t(afterHeader), chunk.begin(), chunk.end());
}

std::size_t EndOfImageData(const std::vector<unsigned char>& png) {
    std::size_t end = 0;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = ReadBigEndian(&png[at]);
        const std::size_t next = at + 12 + length;
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) end = next;
        at = next;
    }
    return end;
}
