#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include "IArgb.h"
#include "IBlend.h"
#include "IBounds.h"
#include "IImage.h"
#include "IMouseKeys.h"
#include "ITextStyle.h"

TEST(BoundsTest, SizesEmptinessAndOverlap) {
    const IBounds box{10, 20, 30, 50};
    EXPECT_EQ(box.W(), 20);
    EXPECT_EQ(box.H(), 30);
    EXPECT_TRUE(IBounds{}.IsEmpty());
    // Only the all-zero box is empty, not any box without area.
    EXPECT_FALSE((IBounds{5, 5, 5, 5}.IsEmpty()));

    // Touching edges do not overlap.
    EXPECT_FALSE(box.Intersects(IBounds{30, 20, 40, 50}));
    EXPECT_TRUE(box.Intersects(IBounds{29, 49, 40, 60}));
    EXPECT_EQ(box.Intersect(IBounds{25, 0, 100, 25}), (IBounds{25, 20, 30, 25}));
    EXPECT_TRUE(box.Intersect(IBounds{100, 100, 200, 200}).IsEmpty());

    EXPECT_EQ(IBounds{}.Union(box), box);
    EXPECT_EQ(box.Union(IBounds{}), box);
    EXPECT_EQ(box.Union(IBounds{0, 40, 15, 60}), (IBounds{0, 20, 30, 60}));
}

TEST(BoundsTest, ExtremeCornersSaturateInsteadOfOverflowing) {
    const IBounds huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(huge.W(), INT_MAX);
    EXPECT_EQ(huge.H(), INT_MAX);
    const IBounds reversed{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    EXPECT_EQ(reversed.W(), INT_MIN);
    EXPECT_FALSE(reversed.Intersects(huge));
    EXPECT_EQ(huge.Intersect(IBounds{1, 2, 3, 4}), (IBounds{1, 2, 3, 4}));
}

TEST(ArgbTest, PacksForTheRasterLibraryAndClampsStrayChannels) {
    EXPECT_EQ((IArgb{0x12, 0x34, 0x56, 0x78}.Packed()), 0x12345678u);
    EXPECT_EQ((IArgb{300, -5, 255, 0}.Packed()), 0xFF00FF00u);
    EXPECT_FLOAT_EQ((IArgb{255, 0, 0, 0}.Opacity()), 1.0f);
    EXPECT_FLOAT_EQ((IArgb{51, 0, 0, 0}.Opacity()), 0.2f);
    EXPECT_FLOAT_EQ((IArgb{-1, 0, 0, 0}.Opacity()), 0.0f);
}

TEST(BlendTest, MethodsMapToRasterModes) {
    EXPECT_EQ((IBlend{IBlend::kSourceAlpha, 1.0f}.RastMode()), RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ((IBlend{IBlend::kCopy, 1.0f}.RastMode()), RAST_MODE_COPY);
    EXPECT_EQ((IBlend{IBlend::kAdd, 1.0f}.RastMode()), RAST_MODE_ADD | RAST_FLAG_SRCALPHA);
    EXPECT_EQ((IBlend{IBlend::kDodge, 1.0f}.RastMode()), RAST_MODE_DODGE | RAST_FLAG_SRCALPHA);
    EXPECT_EQ((IBlend{-7, 1.0f}.RastMode()), RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    EXPECT_EQ(IBlend::RastModeOf(nullptr), RAST_MODE_COPY | RAST_FLAG_SRCALPHA);
    const IBlend faint{IBlend::kAdd, 0.3f};
    EXPECT_FLOAT_EQ(IBlend::WeightOf(&faint), 0.3f);
    EXPECT_FLOAT_EQ(IBlend::WeightOf(nullptr), 1.0f);
}

TEST(MouseKeysTest, ShiftOrControlMeansFine) {
    EXPECT_FALSE((IMouseKeys{1, 1, 0, 0, 1}.Fine()));
    EXPECT_TRUE((IMouseKeys{0, 0, 1, 0, 0}.Fine()));
    EXPECT_TRUE((IMouseKeys{0, 0, 0, 1, 0}.Fine()));
}

TEST(TextStyleTest, FaceIsTruncatedAndTheRecordCopiesBytewise) {
    ITextStyle style("A face name that is far longer than thirty-one", 15,
                     IArgb{200, 255, 255, 255}, ITextStyle::kBold | ITextStyle::kItalic,
                     ITextStyle::kCentre);
    EXPECT_EQ(std::strlen(style.face), 31u);
    EXPECT_TRUE(style.Bold());
    EXPECT_TRUE(style.Italic());

    ITextStyle copy;
    std::memcpy(&copy, &style, sizeof copy);
    EXPECT_STREQ(copy.face, style.face);
    EXPECT_EQ(copy.colour, style.colour);
    EXPECT_EQ(copy.align, ITextStyle::kCentre);

    ITextStyle unnamed(nullptr, 10, IArgb{});
    EXPECT_STREQ(unnamed.face, "");
}

TEST(ImageTest, ValidityAndFrameCount) {
    EXPECT_FALSE(IImage{}.IsValid());
    IImage strip;
    strip.frames = 0;
    EXPECT_EQ(strip.FrameCount(), 1);
    strip.frames = 5;
    EXPECT_EQ(strip.FrameCount(), 5);
}
