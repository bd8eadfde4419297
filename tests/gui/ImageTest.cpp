#include <cmath>
#include <gtest/gtest.h>
#include <memory>

#include "GuiTestSupport.h"
#include "ImageCache.h"
#include "RAST_Blit.h"
#include "RAST_MemBitmap.h"

namespace {
// Ids from this range exist for the loader below; the cache is shared by the
// whole test process, so every test uses ids of its own.
constexpr int kMissingId = 7999;

// A surface whose resources are made up: image id is id - 6999 pixels
// wide and 3 high, each pixel holding its column in the blue channel.
class LoadingSurface : public IGraphicsHeadless {
public:
    explicit LoadingSurface(ICoreBase* plug) : IGraphicsHeadless(plug, 20, 20) {}

    std::unique_ptr<RAST_IBitmap> LoadImageResource(int id) override {
        ++loads;
        if (id == kMissingId) return nullptr;
        auto bitmap = std::make_unique<RAST_MemBitmap>(id - 6999, 3);
        for (int y = 0; y < bitmap->height(); ++y)
            for (int x = 0; x < bitmap->width(); ++x)
                RAST_RowPointer(bitmap.get(), y)[x] = RAST_MakePixel(255, 0, 0, x);
        return bitmap;
    }
    int loads = 0;
};

Pixel PixelOf(const IImage& image, int x, int y) {
    return RAST_RowPointer(image.bitmap, y)[x];
}
} // namespace

TEST(ImageTest, ImagesLoadOncePerProcess) {
    GuiTestCore core;
    LoadingSurface first(&core), second(&core);
    // An id this process has not loaded yet, however often the test runs.
    int id = 7500;
    while (ImageCache::Instance().Find(id))
        ++id;
    const IImage image = first.GetImage(id, 3);
    ASSERT_NE(image.bitmap, nullptr);
    EXPECT_EQ(image.width, id - 6999);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.frames, 3);
    EXPECT_EQ(image.cacheId, 0);

    const IImage again = second.GetImage(id);
    EXPECT_EQ(again.bitmap, image.bitmap);
    EXPECT_EQ(again.frames, 1);
    EXPECT_EQ(first.loads + second.loads, 1);
    EXPECT_EQ(ImageCache::Instance().Find(id), image.bitmap);
}

TEST(ImageTest, AFailedLoadGivesAnEmptyImageAndIsRetried) {
    GuiTestCore core;
    LoadingSurface surface(&core);
    const IImage missing = surface.GetImage(kMissingId, 0);
    EXPECT_EQ(missing.bitmap, nullptr);
    EXPECT_EQ(missing.width, 0);
    EXPECT_EQ(missing.height, 0);
    EXPECT_EQ(missing.frames, 1);
    EXPECT_FALSE(missing.IsValid());
    surface.GetImage(kMissingId);
    EXPECT_EQ(surface.loads, 2);

    // Drawing and splitting a missing image do nothing.
    IImage copy = missing;
    EXPECT_FALSE(surface.SplitImage(copy, 0.5).IsValid());
    EXPECT_EQ(copy.bitmap, nullptr);
}

TEST(ImageTest, SplittingCutsAtTheFractionAndRegistersTheLeftPiece) {
    GuiTestCore core;
    LoadingSurface surface(&core);
    IImage image = surface.GetImage(7100); // 101 pixels wide
    // Every surface counts its own ids, so -2 recurs in the shared cache,
    // which gives the first piece stored under an id.
    RAST_IBitmap* const earlier = ImageCache::Instance().Find(-2);
    const IImage left = surface.SplitImage(image, 0.5);
    EXPECT_EQ(left.width, 50);
    EXPECT_EQ(image.width, 50);
    EXPECT_EQ(left.height, 3);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(left.cacheId, 0);
    EXPECT_EQ(image.cacheId, -2);
    EXPECT_EQ(ImageCache::Instance().Find(-2), earlier ? earlier : left.bitmap);
    EXPECT_EQ(PixelOf(left, 49, 2) & 0xFF, 49u);
    EXPECT_EQ(PixelOf(image, 0, 0) & 0xFF, 50u);
    EXPECT_EQ(PixelOf(image, 49, 1) & 0xFF, 99u);

    IImage other = surface.GetImage(7003);
    surface.SplitImage(other, 0.25);
    EXPECT_EQ(other.cacheId, -3);
    EXPECT_EQ(other.width, 3);
}

TEST(ImageTest, SplittingRefusesFractionsOutsideTheImage) {
    GuiTestCore core;
    LoadingSurface surface(&core);
    IImage image = surface.GetImage(7010);
    const IImage before = image;
    for (double fraction : {-0.1, 1.5, double(NAN), double(INFINITY)}) {
        EXPECT_FALSE(surface.SplitImage(image, fraction).IsValid());
        EXPECT_EQ(image.bitmap, before.bitmap);
        EXPECT_EQ(image.width, before.width);
    }
    // The ends of the range leave one piece without pixels.
    const IImage none = surface.SplitImage(image, 0.0);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(image.width, 11);
}
