#include "PngWriter.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"
#include "RAST_PngDecoder.h"
#include "SnapshotError.h"

using namespace tonewell::snapshot;

namespace {

std::string TempPath(const char* name) {
    return testing::TempDir() + "tonewell_snapshot_" + name;
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

std::unique_ptr<RAST_IBitmap> Decode(const std::vector<unsigned char>& png) {
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGMemory(png.data(), png.size()));
}

// Every alpha from transparent to opaque, under channels that differ from
// each other and from the alpha, so a swapped or premultiplied channel shows.
void FillPattern(RAST_IBitmap& bitmap) {
    unsigned seed = 12345;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int alpha = (y * bitmap.width() + x) % 256;
            RAST_RowPointer(&bitmap, y)[x] = (seed & 0x00FFFFFFu) | (Pixel(alpha) << 24);
        }
}

void ExpectSamePixels(const RAST_IBitmap& expected, const RAST_IBitmap& actual) {
    ASSERT_EQ(actual.width(), expected.width());
    ASSERT_EQ(actual.height(), expected.height());
    int mismatches = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (RAST_RowPointer(&actual, y)[x] != RAST_RowPointer(&expected, y)[x] &&
                ++mismatches <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                              << RAST_RowPointer(&actual, y)[x] << " instead of "
                              << RAST_RowPointer(&expected, y)[x];
    EXPECT_EQ(mismatches, 0);
}

void ExpectErrorMentions(const std::function<void()>& action, const std::string& part) {
    try {
        action();
        ADD_FAILURE() << "no error; expected one mentioning '" << part << "'";
    } catch (const SnapshotError& error) {
        EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
    }
}

} // namespace

TEST(PngWriterTest, RoundTripKeepsEveryPixelAndItsAlpha) {
    // 37 pixels per row pads each row of the bitmap to 40: the writer must
    // not take the padding for pixels.
    RAST_MemBitmap bitmap(37, 19, 8);
    ASSERT_GT(bitmap.rowStride(), bitmap.width());
    FillPattern(bitmap);

    const std::vector<unsigned char> png = PngWriter::Encode(bitmap);
    const auto decoded = Decode(png);
    ASSERT_NE(decoded, nullptr);
    ExpectSamePixels(bitmap, *decoded);

    // The file holds exactly the encoded image, replacing what was there.
    const std::string path = TempPath("roundtrip.png");
    std::ofstream(path) << "an older, longer file that must be replaced entirely";
    PngWriter::WriteFile(bitmap, path);
    EXPECT_EQ(ReadFile(path), png);

    RAST_MemBitmap single(1, 1);
    RAST_RowPointer(&single, 0)[0] = RAST_MakePixel(0, 255, 1, 2);
    const auto decodedSingle = Decode(PngWriter::Encode(single));
    ASSERT_NE(decodedSingle, nullptr);
    ExpectSamePixels(single, *decodedSingle);
}

TEST(PngWriterTest, RefusesEmptyBitmapsAndUnwritablePaths) {
    RAST_MemBitmap good(4, 3);
    FillPattern(good);
    const RAST_MemBitmap empty(0, 0), flat(5, 0);
    ExpectErrorMentions([&] { PngWriter::Encode(empty); }, "empty bitmap (0 x 0)");
    ExpectErrorMentions([&] { PngWriter::Encode(flat); }, "empty bitmap");

    // A bitmap that cannot be written leaves the old file as it was.
    const std::string path = TempPath("kept.png");
    PngWriter::WriteFile(good, path);
    ExpectErrorMentions([&] { PngWriter::WriteFile(empty, path); }, "empty bitmap");
    const auto kept = Decode(ReadFile(path));
    ASSERT_NE(kept, nullptr);
    ExpectSamePixels(good, *kept);

    ExpectErrorMentions([&] { PngWriter::WriteFile(good, ""); }, "no output file name");
    const std::string missingFolder = TempPath("no_such_folder/out.png");
    ExpectErrorMentions([&] { PngWriter::WriteFile(good, missingFolder); },
                        "cannot write '" + missingFolder + "'");
    // A folder is no file to write, and the temporary file is not left behind.
    ExpectErrorMentions([&] { PngWriter::WriteFile(good, testing::TempDir()); }, "cannot write");
    EXPECT_FALSE(std::filesystem::exists(testing::TempDir() + ".part"));
}
