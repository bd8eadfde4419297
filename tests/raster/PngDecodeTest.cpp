#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <thread>

#include "PngTestSupport.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::unique_ptr<RAST_IBitmap> Decode(const Bytes& png) {
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGMemory(png.data(), png.size()));
}

Pixel At(const RAST_IBitmap& bitmap, int x, int y) {
    return bitmap.pixelData()[y * bitmap.rowStride() + x];
}

std::vector<Pixel> Row(const RAST_IBitmap& bitmap, int y) {
    const Pixel* row = bitmap.pixelData() + y * bitmap.rowStride();
    return std::vector<Pixel>(row, row + bitmap.width());
}

PngDescription Image(int colorType, int bitDepth, std::vector<std::vector<unsigned char>> rows,
                     int width) {
    PngDescription desc;
    desc.colorType = colorType;
    desc.bitDepth = bitDepth;
    desc.width = width;
    desc.height = int(rows.size());
    desc.rows = std::move(rows);
    return desc;
}

// 5 x 3 RGBA with distinct pixels, for the failure cases.
Bytes SmallRgba(bool interlaced = false) {
    PngDescription desc = Image(PNG_COLOR_TYPE_RGB_ALPHA, 8, {}, 5);
    desc.interlaced = interlaced;
    desc.height = 3;
    for (int y = 0; y < 3; ++y) {
        std::vector<unsigned char> row;
        for (int x = 0; x < 5; ++x)
            row.insert(row.end(), {(unsigned char)(x * 40), (unsigned char)(y * 90),
                                   (unsigned char)(x + y), (unsigned char)(255 - x * y)});
        desc.rows.push_back(row);
    }
    return EncodePng(desc);
}

TEST(PngDecode, RgbaBecomesStraightArgbWordsInBgraByteOrder) {
    const Bytes png = EncodePng(Image(PNG_COLOR_TYPE_RGB_ALPHA, 8,
                                      {{0x10, 0x20, 0x30, 0x80, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0}}, 3));
    auto bitmap = Decode(png);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width(), 3);
    EXPECT_EQ(bitmap->height(), 1);
    EXPECT_EQ(bitmap->rowStride(), 4); // a new bitmap pads rows to 4 pixels
    EXPECT_EQ(Row(*bitmap, 0), (std::vector<Pixel>{0x80102030, 0xFFFF0000, 0x00000000}));
    unsigned char bytes[4];
    std::memcpy(bytes, bitmap->pixelData(), 4);
    EXPECT_EQ(bytes[0], 0x30);
    EXPECT_EQ(bytes[1], 0x20);
    EXPECT_EQ(bytes[2], 0x10);
    EXPECT_EQ(bytes[3], 0x80);
}

TEST(PngDecode, ColourWithoutAlphaIsOpaque) {
    auto rgb = Decode(EncodePng(Image(PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 250, 251, 252}}, 2)));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(Row(*rgb, 0), (std::vector<Pixel>{0xFF010203, 0xFFFAFBFC}));

    auto rgb16 =
        Decode(EncodePng(Image(PNG_COLOR_TYPE_RGB, 16, {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}, 1)));
    ASSERT_TRUE(rgb16);
    EXPECT_EQ(At(*rgb16, 0, 0), 0xFF12569Au); // the low byte of each sample is dropped
}

TEST(PngDecode, SixteenBitAlphaKeepsHighBytes) {
    auto bitmap = Decode(EncodePng(Image(PNG_COLOR_TYPE_RGB_ALPHA, 16,
                                         {{0x11, 0xFF, 0x22, 0xFF, 0x33, 0xFF, 0x44, 0xFF}}, 1)));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(At(*bitmap, 0, 0), 0x44112233u);
}

TEST(PngDecode, GreyOfEveryDepthExpandsToFullRange) {
    // 1, 2 and 4 bits scale to 0..255; 16 bits keep the high byte.
    auto g1 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY, 1, {{0b10100000}}, 3)));
    ASSERT_TRUE(g1);
    EXPECT_EQ(Row(*g1, 0), (std::vector<Pixel>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));

    auto g2 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY, 2, {{0b00011011}}, 4)));
    ASSERT_TRUE(g2);
    EXPECT_EQ(Row(*g2, 0), (std::vector<Pixel>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));

    auto g4 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY, 4, {{0x1F}}, 2)));
    ASSERT_TRUE(g4);
    EXPECT_EQ(Row(*g4, 0), (std::vector<Pixel>{0xFF111111, 0xFFFFFFFF}));

    auto g8 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY, 8, {{0x00, 0x7F}, {0xC3, 0xFF}}, 2)));
    ASSERT_TRUE(g8);
    EXPECT_EQ(Row(*g8, 0), (std::vector<Pixel>{0xFF000000, 0xFF7F7F7F}));
    EXPECT_EQ(Row(*g8, 1), (std::vector<Pixel>{0xFFC3C3C3, 0xFFFFFFFF}));

    auto g16 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY, 16, {{0xAB, 0xCD}}, 1)));
    ASSERT_TRUE(g16);
    EXPECT_EQ(At(*g16, 0, 0), 0xFFABABABu);
}

TEST(PngDecode, GreyWithAlphaSpreadsGreyAndKeepsAlpha) {
    auto g8 = Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{0x40, 0x80, 0xFF, 0x00}}, 2)));
    ASSERT_TRUE(g8);
    EXPECT_EQ(Row(*g8, 0), (std::vector<Pixel>{0x80404040, 0x00FFFFFF}));

    auto g16 =
        Decode(EncodePng(Image(PNG_COLOR_TYPE_GRAY_ALPHA, 16, {{0x12, 0x00, 0x9A, 0x00}}, 1)));
    ASSERT_TRUE(g16);
    EXPECT_EQ(At(*g16, 0, 0), 0x9A121212u);
}

TEST(PngDecode, PaletteOfEveryDepthWithAndWithoutTransparency) {
    const std::vector<png_color> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int depth : {1, 2, 4, 8}) {
        SCOPED_TRACE(depth);
        // Indices 1, 0 (and 3, 2 where the depth allows) packed at this depth.
        const int perByte = 8 / depth;
        const int width = depth == 1 ? 2 : 4;
        const int indices[4] = {1, 0, 3, 2};
        unsigned char packed[4] = {};
        for (int x = 0; x < width; ++x)
            packed[x / perByte] |= (unsigned char)(indices[x] << (8 - depth * (x % perByte + 1)));
        std::vector<unsigned char> row(packed, packed + (width * depth + 7) / 8);

        PngDescription desc = Image(PNG_COLOR_TYPE_PALETTE, depth, {row}, width);
        desc.palette.assign(palette.begin(), palette.begin() + (depth == 1 ? 2 : 4));
        auto opaque = Decode(EncodePng(desc));
        ASSERT_TRUE(opaque);
        std::vector<Pixel> expected = {0xFFFF0000, 0xFF000000};
        if (width == 4) expected.insert(expected.end(), {0xFF0000FF, 0xFF00FF00});
        EXPECT_EQ(Row(*opaque, 0), expected);

        // tRNS gives entries 0 and 1 their own alpha; the others stay opaque.
        desc.paletteAlpha = {0x00, 0x80};
        auto translucent = Decode(EncodePng(desc));
        ASSERT_TRUE(translucent);
        expected[0] = 0x80FF0000;
        expected[1] = 0x00000000;
        EXPECT_EQ(Row(*translucent, 0), expected);
    }
}

TEST(PngDecode, TransparentColourOfGreyAndRgbBecomesAlphaZero) {
    PngDescription grey = Image(PNG_COLOR_TYPE_GRAY, 8, {{0x10, 0x20}}, 2);
    grey.hasTransparentColor = true;
    grey.transparentColor.gray = 0x20;
    auto g = Decode(EncodePng(grey));
    ASSERT_TRUE(g);
    EXPECT_EQ(Row(*g, 0), (std::vector<Pixel>{0xFF101010, 0x00202020}));

    PngDescription grey2 = Image(PNG_COLOR_TYPE_GRAY, 2, {{0b01100000}}, 2);
    grey2.hasTransparentColor = true;
    grey2.transparentColor.gray = 1;
    auto g2 = Decode(EncodePng(grey2));
    ASSERT_TRUE(g2);
    EXPECT_EQ(Row(*g2, 0), (std::vector<Pixel>{0x00555555, 0xFFAAAAAA}));

    PngDescription rgb = Image(PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}}, 2);
    rgb.hasTransparentColor = true;
    rgb.transparentColor.red = 4;
    rgb.transparentColor.green = 5;
    rgb.transparentColor.blue = 6;
    auto c = Decode(EncodePng(rgb));
    ASSERT_TRUE(c);
    EXPECT_EQ(Row(*c, 0), (std::vector<Pixel>{0xFF010203, 0x00040506}));
}

TEST(PngDecode, InterlacedImageMatchesPlainOne) {
    auto plain = Decode(SmallRgba(false));
    auto interlaced = Decode(SmallRgba(true));
    ASSERT_TRUE(plain);
    ASSERT_TRUE(interlaced);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Row(*interlaced, y), Row(*plain, y)) << y;
    EXPECT_EQ(At(*plain, 4, 2), RAST_MakePixel(255 - 8, 160, 180, 6));
}

TEST(PngDecode, AncillaryChunksDoNotChangeThePixels) {
    const Bytes plain = SmallRgba();
    Bytes annotated = plain;
    InsertChunk(annotated, "gAMA", {0, 0, 0xB1, 0x8F}); // 1 / 2.2
    InsertChunk(annotated, "tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'});
    InsertChunk(annotated, "pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1});
    // Metadata that claims more than it holds is passed over as well.
    InsertChunk(annotated, "eXIf", {'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xFF});
    InsertChunk(annotated, "zTXt", {'k', 0, 0, 0x78, 0x9C, 0xFF});
    auto a = Decode(plain);
    auto b = Decode(annotated);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Row(*b, y), Row(*a, y));
}

TEST(PngDecode, TargetIsResizedFilledAndReturned) {
    RAST_MemBitmap target(40, 30, 16);
    std::fill(target.pixelData(), target.pixelData() + 30 * target.rowStride(), 0xDEADBEEF);
    const Bytes png = SmallRgba();
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), png.size(), &target), &target);
    EXPECT_EQ(target.width(), 5);
    EXPECT_EQ(target.height(), 3);
    EXPECT_EQ(target.rowStride(), 16);
    auto fresh = Decode(png);
    ASSERT_TRUE(fresh);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Row(target, y), Row(*fresh, y));

    // A failed decode leaves the target alive and usable.
    const Bytes broken(png.begin(), png.begin() + png.size() / 2);
    EXPECT_EQ(RAST_DecodePNGMemory(broken.data(), broken.size(), &target), nullptr);
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), png.size(), &target), &target);
    EXPECT_EQ(Row(target, 2), Row(*fresh, 2));
}

TEST(PngDecode, SeparateThreadsDecodeAtTheSameTime) {
    const Bytes good = SmallRgba(true);
    const Bytes broken(good.begin(), good.begin() + good.size() / 2);
    auto reference = Decode(good);
    ASSERT_TRUE(reference);
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                // Failing decodes between good ones: each thread jumps out of libpng.
                if (RAST_DecodePNGMemory(broken.data(), broken.size())) ++mismatches[t];
                auto bitmap = Decode(good);
                if (!bitmap || Row(*bitmap, 2) != Row(*reference, 2)) ++mismatches[t];
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// A target that records resizes and can refuse to allocate or store rows upside down.
class ProbeBitmap : public RAST_IBitmap {
public:
    ProbeBitmap(bool allocate, bool bottomUp) : allocate_(allocate), bottomUp_(bottomUp) {}
    Pixel* pixelData() const override { return pixels_.empty() ? nullptr : pixels_.data(); }
    int width() const override { return w_; }
    int height() const override { return h_; }
    int rowStride() const override { return w_; }
    bool bottomUp() const override { return bottomUp_; }
    bool resize(int w, int h) override {
        ++resizes;
        if (!allocate_) return false;
        w_ = w;
        h_ = h;
        pixels_.assign(std::size_t(w) * h, 0);
        return true;
    }
    int resizes = 0;

private:
    bool allocate_, bottomUp_;
    int w_ = 0, h_ = 0;
    mutable std::vector<Pixel> pixels_;
};

TEST(PngDecode, BottomUpTargetGetsTheFirstRowLast) {
    ProbeBitmap target(true, true);
    const Bytes png = SmallRgba();
    ASSERT_EQ(RAST_DecodePNGMemory(png.data(), png.size(), &target), &target);
    auto plain = Decode(png);
    ASSERT_TRUE(plain);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(Row(target, 2 - y), Row(*plain, y));
}

TEST(PngDecode, TargetWithoutPixelMemoryFails) {
    ProbeBitmap target(false, false);
    const Bytes png = SmallRgba();
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), png.size(), &target), nullptr);
    EXPECT_EQ(target.resizes, 1);
}

TEST(PngDecode, RefusesMissingShortAndForeignData) {
    const Bytes png = SmallRgba();
    EXPECT_EQ(RAST_DecodePNGMemory(nullptr, png.size()), nullptr);
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), 0), nullptr);
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), 7), nullptr);
    EXPECT_EQ(RAST_DecodePNGMemory(png.data(), 8), nullptr); // signature alone

    Bytes foreign = png;
    foreign[1] = 'Q';
    ProbeBitmap target(true, false);
    EXPECT_EQ(RAST_DecodePNGMemory(foreign.data(), foreign.size(), &target), nullptr);
    EXPECT_EQ(target.resizes, 0); // no bitmap is touched before the signature matches
}

TEST(PngDecode, EveryTruncationWithinTheImageDataFails) {
    const Bytes png = SmallRgba();
    const std::size_t end = EndOfImageData(png);
    ASSERT_GT(end, 8u);
    for (std::size_t size = 0; size < end; ++size)
        EXPECT_EQ(RAST_DecodePNGMemory(png.data(), size), nullptr) << size;
    auto whole = Decode(Bytes(png.begin(), png.begin() + end)); // IEND is not needed
    EXPECT_TRUE(whole);

    // An ancillary chunk that claims nearly 2 GiB right at the end of the data:
    // libpng skips such a chunk by reading it, which must stop at the end.
    Bytes huge(png.begin(), png.begin() + 33); // signature and IHDR
    huge.insert(huge.end(), {0x7F, 0xFF, 0xFF, 0xF0, 'x', 'x', 'x', 'x', 1, 2, 3});
    EXPECT_EQ(Decode(huge), nullptr);
}

TEST(PngDecode, CorruptedBytesFailOrDecodeButNeverCrash) {
    const Bytes png = SmallRgba();
    Bytes badCrc = png;
    badCrc[EndOfImageData(png) - 1] ^= 0x55; // the IDAT checksum
    EXPECT_EQ(Decode(badCrc), nullptr);

    // Random bodies after a valid signature, and random flips of a valid image.
    std::mt19937 random(1234);
    for (int i = 0; i < 200; ++i) {
        Bytes noise(png.begin(), png.begin() + 8);
        noise.resize(8 + random() % 200);
        for (std::size_t k = 8; k < noise.size(); ++k)
            noise[k] = (unsigned char)random();
        EXPECT_EQ(Decode(noise), nullptr);

        Bytes flipped = png;
        flipped[8 + random() % (png.size() - 8)] ^= (unsigned char)(1 + random() % 255);
        auto bitmap = Decode(flipped); // a flip in an ancillary chunk may still decode
        if (bitmap) {
            EXPECT_EQ(bitmap->width(), 5);
        }
    }
}

TEST(PngDecode, AbsurdDimensionsAreRefusedBeforeAnyAllocation) {
    const Bytes png = SmallRgba();
    const std::uint32_t sizes[][2] = {
        {RAST_MAX_DIMENSION + 1, 1},
        {1, RAST_MAX_DIMENSION + 1},
        {0x7FFFFFFF, 0x7FFFFFFF},
        {0xFFFFFFFF, 1},
        {0, 5},
        {5, 0},
        {RAST_MAX_DIMENSION, RAST_MAX_DIMENSION}, // each side allowed, too many pixels
    };
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        Bytes patched = png;
        PatchHeaderSize(patched, size[0], size[1]);
        ProbeBitmap target(true, false);
        EXPECT_EQ(RAST_DecodePNGMemory(patched.data(), patched.size(), &target), nullptr);
        EXPECT_EQ(target.resizes, 0);
    }
    // The largest accepted image gets its bitmap, then fails on the missing rows.
    Bytes largest = png;
    PatchHeaderSize(largest, RAST_MAX_DIMENSION, RAST_PNG_MAX_PIXELS / RAST_MAX_DIMENSION);
    ProbeBitmap target(false, false);
    EXPECT_EQ(RAST_DecodePNGMemory(largest.data(), largest.size(), &target), nullptr);
    EXPECT_EQ(target.resizes, 1);
}

} // namespace
