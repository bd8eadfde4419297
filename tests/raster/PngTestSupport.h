// Builds small PNG images in memory with libpng's write side, for the decoder tests.
#pragma once

#include <cstdint>
#include <png.h>
#include <vector>

struct PngDescription {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    // Rows as stored in the file: packed samples, big-endian 16-bit, no filter byte.
    std::vector<std::vector<unsigned char>> rows;
    std::vector<png_color> palette;
    std::vector<unsigned char> paletteAlpha; // tRNS of a palette image
    bool hasTransparentColor = false;        // tRNS of a grey or RGB image
    png_color_16 transparentColor{};
};

// The encoded file; empty if libpng refused the description.
std::vector<unsigned char> EncodePng(const PngDescription& desc);

// Rewrites width and height in the IHDR chunk of an encoded file and fixes its CRC.
void PatchHeaderSize(std::vector<unsigned char>& png, std::uint32_t width, std::uint32_t height);

// Inserts a chunk with a valid CRC right after IHDR.
void InsertChunk(std::vector<unsigned char>& png, const char type[4],
                 const std::vector<unsigned char>& data);

// Offset just past the last IDAT chunk: every shorter prefix lacks image data.
std::size_t EndOfImageData(const std::vector<unsigned char>& png);

// The module whose resources the tests compile in (the test executable).
void* TestModuleHandle();
