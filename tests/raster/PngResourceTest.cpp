#include <gtest/gtest.h>
#include <memory>

#include "PngTestSupport.h"
#include "RAST_LazyBitmap.h"
#include "RAST_PngDecoder.h"

namespace {

// Resources built into png_tests (tests/CMakeLists.txt): 1 is a 2 x 2 RGBA
// image, 2 a text file, 3 the first 7 bytes of a PNG file.
constexpr int kImage = 1, kText = 2, kSevenBytes = 3;

std::unique_ptr<RAST_IBitmap> Load(int id) {
    return std::unique_ptr<RAST_IBitmap>(RAST_DecodePNGResource(TestModuleHandle(), id));
}

TEST(PngResource, ImageDecodesFromTheModulesResources) {
    auto bitmap = Load(kImage);
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->width(), 2);
    ASSERT_EQ(bitmap->height(), 2);
    const Pixel* p = bitmap->pixelData();
    const int s = bitmap->rowStride();
    EXPECT_EQ(p[0], 0x80102030u);
    EXPECT_EQ(p[1], 0xFFFF0000u);
    EXPECT_EQ(p[s], 0x4000FF00u);
    EXPECT_EQ(p[s + 1], 0x000000FFu);
}

TEST(PngResource, OnlyTheLow16BitsOfTheIdCount) {
    auto bitmap = Load(0x70000 + kImage);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->width(), 2);
}

TEST(PngResource, MissingShortAndForeignResourcesGiveNull) {
    EXPECT_EQ(Load(0), nullptr);
    EXPECT_EQ(Load(0x10000), nullptr); // low bits 0
    EXPECT_EQ(Load(999), nullptr);
    EXPECT_EQ(Load(kText), nullptr);
    EXPECT_EQ(Load(kSevenBytes), nullptr);
}

TEST(PngResource, ALazyResourceHasItsSizeAtOnceAndItsPixelsOnFirstUse) {
    auto lazy = RAST_LazyPNGResource(TestModuleHandle(), kImage);
    ASSERT_TRUE(lazy);
    auto* made = dynamic_cast<RAST_LazyBitmap*>(lazy.get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(lazy->width(), 2);
    EXPECT_EQ(lazy->height(), 2);
    EXPECT_FALSE(made->IsMade());
    auto decoded = Load(kImage);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(lazy->pixelData()[y * lazy->rowStride() + x],
                      decoded->pixelData()[y * decoded->rowStride() + x]);
    EXPECT_TRUE(made->IsMade());

    for (int id : {0, 999, kText, kSevenBytes})
        EXPECT_EQ(RAST_LazyPNGResource(TestModuleHandle(), id), nullptr) << id;
}

} // namespace
