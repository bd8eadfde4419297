#include <gtest/gtest.h>

#include "RAST_Combiners.h"

namespace {
Pixel Combine(RAST_Combiner combiner, Pixel d, Pixel s, int w) {
    combiner(d, int((s >> 16) & 0xFF), int((s >> 8) & 0xFF), int(s & 0xFF), int(s >> 24), w);
    return d;
}
} // namespace

TEST(Combiners, CopyKeepsTheDestinationShareWithTruncatingDivision) {
    EXPECT_EQ(Combine(RAST_CombineCopy, 0x12345678, 0x80FF0001, 256), 0x80FF0001u);
    // keep 156: b = 0x20 + 96 x 156 / 256 = 90; r = 128 - 96 x 156 / 256 = 70 (toward zero);
    // a = 255 - 239 x 156 / 256 = 110.
    EXPECT_EQ(Combine(RAST_CombineCopy, 0x10204080, 0xFF804020, 100), 0x6E46405Au);
    // A negative product rounds toward zero: 255 + (0 - 255) x 1 / 256 stays 255.
    EXPECT_EQ(Combine(RAST_CombineCopy, 0x00000000, 0xFFFFFFFF, 255), 0xFFFFFFFFu);
    EXPECT_EQ(Combine(RAST_CombineCopy, 0x00000000, 0xFFFFFFFF, 0), 0x00000000u);
}

TEST(Combiners, CopyWithSourceAlpha) {
    EXPECT_EQ(Combine(RAST_CombineCopySrcAlpha, 0x11223344, 0x00FFFFFF, 256), 0x11223344u);
    EXPECT_EQ(Combine(RAST_CombineCopySrcAlpha, 0x11223344, 0xFF102030, 256), 0xFF102030u);
    // Alpha 128 over opaque: destination alpha saturates; colour keeps 127/256.
    // r: 0 + (255 - 0) x 127 / 256 = 126.
    EXPECT_EQ(Combine(RAST_CombineCopySrcAlpha, 0xFFFFFFFF, 0x80000000, 256), 0xFF7E7E7Eu);
    // Other weight: e = 128 x 129 / 256 = 64; a = 0x10 + 64; c = 0 + 255 x 192 / 256 = 191.
    EXPECT_EQ(Combine(RAST_CombineCopySrcAlpha, 0x10FFFFFF, 0x80000000, 128), 0x50BFBFBFu);
}

TEST(Combiners, AddSaturatesAndDodgeBrightens) {
    EXPECT_EQ(Combine(RAST_CombineAdd, 0x80F01000, 0x80204000, 256), 0xFFFF5000u);
    EXPECT_EQ(Combine(RAST_CombineAdd, 0x00000000, 0xFFFFFFFF, 128), 0x7F7F7F7Fu);
    // A source alpha of 0 leaves the destination alone.
    EXPECT_EQ(Combine(RAST_CombineAddSrcAlpha, 0x10101010, 0x00808080, 256), 0x10101010u);
    EXPECT_EQ(Combine(RAST_CombineAddSrcAlpha, 0x10101010, 0xFF808080, 256), 0xFF909090u);
    // k = 255 > 254: any non-zero channel becomes 255, zero stays zero.
    EXPECT_EQ(Combine(RAST_CombineDodge, 0x01000200, 0xFFFFFFFF, 256), 0xFF00FF00u);
    // k = 0x80: 0x40 x 256 / 128 = 0x80.
    EXPECT_EQ(Combine(RAST_CombineDodge, 0x40404040, 0x80808080, 256), 0x80808080u);
    // With source alpha 0 the weight is 256 x 1 / 256 = 1, so k = 0: unchanged.
    EXPECT_EQ(Combine(RAST_CombineDodgeSrcAlpha, 0x40404040, 0x00FFFFFF, 256), 0x40404040u);
}

TEST(Combiners, MultiplyAndLookup) {
    // ((0x80 x 256 + 0) x 0xFF) >> 16 = 0x7F.
    EXPECT_EQ(Combine(RAST_CombineMultiply, 0xFFFFFFFF, 0x80808080, 256), 0x7F7F7F7Fu);
    EXPECT_EQ(Combine(RAST_CombineMultiply, 0xFFFFFFFF, 0x00000000, 0), 0xFFFFFFFFu);
    EXPECT_EQ(RAST_GetCombiner(RAST_MODE_COPY), &RAST_CombineCopy);
    EXPECT_EQ(RAST_GetCombiner(RAST_MODE_DODGE | RAST_FLAG_SRCALPHA | RAST_FLAG_FILTER),
              &RAST_CombineDodgeSrcAlpha);
    EXPECT_EQ(RAST_GetCombiner(0x42), nullptr);
}

TEST(Combiners, WeightsTruncateAndStayBounded) {
    EXPECT_EQ(RAST_Alpha256(0.2501f), 64);
    EXPECT_EQ(RAST_Alpha256(-0.01f), -2);
    EXPECT_EQ(RAST_Alpha256(1e30f), 4096);
    EXPECT_EQ(RAST_Alpha256(-1e30f), -4096);
    EXPECT_EQ(RAST_Alpha256(std::nanf("")), 0);
    EXPECT_EQ(RAST_Alpha256(INFINITY), 0);
}
