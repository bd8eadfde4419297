// Fonts: UTF-8 walking, line feeds, placement, measuring, the glyph cache and
// the blend of cached masks. Glyph shapes differ between FreeType and GDI (and
// Wine's own fonts), so the checks compare geometry and pixel arithmetic.
#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "RAST_CachedFont.h"
#include "RAST_FontPlatform.h"
#include "RAST_MemBitmap.h"
#include "RAST_SysBitmap.h"

namespace {

constexpr Pixel kPaper = 0xFF102030;

std::unique_ptr<RAST_MemBitmap> Paper(int w, int h, Pixel fill = kPaper) {
    auto bitmap = std::make_unique<RAST_MemBitmap>(w, h, 4);
    for (int y = 0; y < h; ++y)
        std::fill_n(bitmap->pixelData() + y * bitmap->rowStride(), w, fill);
    return bitmap;
}

Pixel At(const RAST_IBitmap& b, int x, int y) {
    return b.pixelData()[y * b.rowStride() + x];
}

struct Bounds {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN; // inclusive
    bool empty() const { return left > right; }
};

Bounds Changed(const RAST_IBitmap& b, Pixel fill = kPaper) {
    Bounds r;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (At(b, x, y) != fill) {
                r.left = std::min(r.left, x);
                r.right = std::max(r.right, x);
                r.top = std::min(r.top, y);
                r.bottom = std::max(r.bottom, y);
            }
    return r;
}

bool SamePixels(const RAST_IBitmap& a, const RAST_IBitmap& b) {
    for (int y = 0; y < a.height(); ++y)
        if (!std::equal(a.pixelData() + y * a.rowStride(),
                        a.pixelData() + y * a.rowStride() + a.width(),
                        b.pixelData() + y * b.rowStride()))
            return false;
    return true;
}

// A glyph-path font (no native preference) of the editor's face.
std::unique_ptr<RAST_CachedFont> MakeFont(int size = 16, int flags = RAST_FONT_OWNS_HANDLE,
                                          const char* face = "Arial", bool italic = false) {
    auto font = std::make_unique<RAST_CachedFont>();
    font->adoptGdiFont(
        RAST_CreateFontHandle(face, size, false, italic, 0, RAST_QUALITY_ANTIALIASED), flags);
    return font;
}

struct Extent {
    int left, top, width, height;
};

Extent Measure(RAST_CachedFont& font, const char* text, int format = 0, int count = -1) {
    RAST_Rect r{5, 7, 5, 7};
    font.renderText(nullptr, text, count, &r, format | RAST_DT_CALCRECT);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        font = MakeFont();
        ASSERT_NE(font->gdiFont(), nullptr);
        ASSERT_GT(font->lineHeight(), 8);
        font->setForeground(0xFFFFFFFF);
    }
    std::unique_ptr<RAST_CachedFont> font;
};

TEST(FontUtf8, DecodesSequencesAndLetsInvalidBytesStandForThemselves) {
    struct Case {
        const char* bytes;
        int code;
        std::size_t used;
    } cases[] = {
        {"\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\xF0\x9F\x98\x80", ' ', 4},
        {"\xC0\x80", 0xC0, 1},
        {"\x80", 0x80, 1},
        {"\xC3"
         "A",
         0xC3, 1},
        {"\xE2\x82"
         "A",
         0xE2, 1},
        {"\xF5\x80\x80\x80", 0xF5, 1},
        {"A", 'A', 1},
    };
    for (const Case& c : cases) {
        std::size_t used = 0;
        const auto* s = reinterpret_cast<const unsigned char*>(c.bytes);
        EXPECT_EQ(RAST_CachedFont::DecodeUtf8(s, std::strlen(c.bytes), used), c.code) << c.bytes;
        EXPECT_EQ(used, c.used) << c.bytes;
    }
    // A sequence cut short by the byte count is not decoded.
    std::size_t used = 0;
    EXPECT_EQ(
        RAST_CachedFont::DecodeUtf8(reinterpret_cast<const unsigned char*>("\xC3\xA9"), 1, used),
        0xC3);
}

TEST_F(FontTest, Utf8TextFillsTheCacheWithItsCharacters) {
    RAST_Rect r{0, 0, 100, 40};
    auto paper = Paper(100, 40);
    font->renderText(paper.get(), "\xC3\xA9", -1, &r, 0);
    ASSERT_NE(font->findGlyph(0xE9), nullptr);
    EXPECT_GT(font->findGlyph(0xE9)->storePos, 0);
    EXPECT_EQ(font->findGlyph(0xC3), nullptr);

    font->renderText(paper.get(), "\xC0\x80", -1, &r, 0);
    EXPECT_NE(font->findGlyph(0xC0), nullptr);
    EXPECT_NE(font->findGlyph(0x80), nullptr);
    EXPECT_EQ(font->extendedGlyphCount(), 3u);

    // Four-byte characters are drawn as a space.
    font->renderText(paper.get(), "\xF0\x9F\x98\x80", -1, &r, 0);
    EXPECT_EQ(font->extendedGlyphCount(), 3u);
    EXPECT_NE(font->findGlyph(' ')->storePos, 0);
    EXPECT_EQ(Measure(*font, "\xF0\x9F\x98\x80"
                             "A")
                  .width,
              Measure(*font, " A").width);
}

TEST_F(FontTest, CacheRendersEachGlyphOnceAndKeepsTheExtendedListSorted) {
    EXPECT_EQ(font->findGlyph('A')->storePos, 0);
    Measure(*font, "AB");
    const std::size_t store = font->glyphStoreSize();
    EXPECT_GT(font->findGlyph('A')->storePos, 0);
    EXPECT_GT(store, 0u);
    EXPECT_EQ(font->extendedGlyphCount(), 0u);
    Measure(*font, "BABA");
    EXPECT_EQ(font->glyphStoreSize(), store);

    Measure(*font, "\xE2\x82\xAC\xC3\xBC\xC3\xA9\xC3\xA9\xC4\x80"); // U+20AC FC E9 E9 100
    ASSERT_EQ(font->extendedGlyphCount(), 4u);
    const int codes[] = {0xE9, 0xFC, 0x100, 0x20AC};
    const RAST_GlyphRecord* previous = nullptr;
    for (int code : codes) {
        const RAST_GlyphRecord* glyph = font->findGlyph(code);
        ASSERT_NE(glyph, nullptr) << code;
        EXPECT_EQ(glyph->code, code);
        if (previous) {
            EXPECT_EQ(glyph, previous + 1); // one array, ascending codes
        }
        previous = glyph;
    }

    // A new handle empties the cache.
    font->adoptGdiFont(RAST_CreateFontHandle("Arial", 20, false, false, 0, 0),
                       RAST_FONT_OWNS_HANDLE);
    EXPECT_EQ(font->extendedGlyphCount(), 0u);
    EXPECT_EQ(font->glyphStoreSize(), 0u);
    EXPECT_EQ(font->findGlyph('A')->storePos, 0);
}

TEST(FontCache, AsciiOnlyFontsRenderAllAsciiAtOnceAndNothingElse) {
    auto font = MakeFont(16, RAST_FONT_OWNS_HANDLE | RAST_FONT_ASCII_ONLY);
    for (int code = 32; code < 127; ++code)
        EXPECT_NE(font->findGlyph(code)->storePos, 0) << code;
    const std::size_t store = font->glyphStoreSize();
    Measure(*font, "\xC3\xA9 A");
    EXPECT_EQ(font->extendedGlyphCount(), 0u);
    EXPECT_EQ(font->glyphStoreSize(), store);
}

TEST(FontTrim, KeepsCoveredLeadingColumnsAndOverhang) {
    // 8 x 2 box, margin 3, advance 2: the pen is at column 3, the advance ends at 5.
    std::uint8_t box[16] = {};
    auto span = RAST_CachedFont::TrimColumns(box, 8, 2, 3, 2);
    EXPECT_EQ(span.first, 3); // nothing covered in the margin
    EXPECT_EQ(span.end, 5);   // nothing beyond the advance

    box[8 + 1] = 40; // row 1, column 1
    box[6] = 9;      // row 0, column 6: overhang
    span = RAST_CachedFont::TrimColumns(box, 8, 2, 3, 2);
    EXPECT_EQ(span.first, 1);
    EXPECT_EQ(span.end, 7);

    span = RAST_CachedFont::TrimColumns(box, 8, 2, 0, 0);
    EXPECT_EQ(span.first, 0);
    EXPECT_EQ(span.end, 7);
}

TEST_F(FontTest, CachedMasksAreTrimmedAndOffsetToThePen) {
    Measure(*font, "AW.|j");
    const int margin = font->lineHeight() / 16 + 2;
    for (char c : std::string("AW.|j")) {
        const RAST_GlyphRecord* glyph = font->findGlyph(c);
        ASSERT_GT(glyph->storePos, 0) << c;
        EXPECT_EQ(glyph->height, font->lineHeight()) << c;
        EXPECT_GE(glyph->leftOffset, 0) << c;
        EXPECT_LE(glyph->leftOffset, margin) << c;
        EXPECT_GE(glyph->width - glyph->leftOffset, glyph->advance) << c;
        const std::uint8_t* mask = font->glyphMask(*glyph);
        bool firstColumn = false, any = false;
        for (int y = 0; y < glyph->height; ++y) {
            firstColumn = firstColumn || mask[y * glyph->width] != 0;
            for (int x = 0; x < glyph->width; ++x)
                any = any || mask[y * glyph->width + x] != 0;
        }
        EXPECT_TRUE(any) << c;
        // A mask starting left of the pen starts with a covered column.
        if (glyph->leftOffset > 0) {
            EXPECT_TRUE(firstColumn) << c;
        }
    }
}

#ifndef _WIN32
TEST(FontTrim, ItalicOverhangBeyondTheAdvanceIsKept) {
    auto italic = MakeFont(40, RAST_FONT_OWNS_HANDLE, "Arial", true);
    Measure(*italic, "f");
    const RAST_GlyphRecord* f = italic->findGlyph('f');
    ASSERT_GT(f->storePos, 0);
    EXPECT_GT(f->width - f->leftOffset, f->advance);
}
#endif

TEST_F(FontTest, MeasuresTextExtent) {
    const Extent a = Measure(*font, "A");
    EXPECT_EQ(a.left, 5);
    EXPECT_EQ(a.top, 7);
    EXPECT_GT(a.width, 0);
    EXPECT_EQ(a.height, font->lineHeight());
    // A second A starts one advance on.
    EXPECT_EQ(Measure(*font, "AA").width, a.width + font->findGlyph('A')->advance);

    RAST_Rect r{3, 4, 1000, 1000};
    EXPECT_EQ(font->renderText(nullptr, "", -1, &r, RAST_DT_CALCRECT), 0);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(r.bottom, 4);
    // The byte count limits the text.
    EXPECT_EQ(Measure(*font, "AAAA").width, Measure(*font, "AAAAAAAA", 0, 4).width);
}

TEST_F(FontTest, LineFeedsStartNewLinesUnlessSingleLine) {
    const int lh = font->lineHeight();
    const Extent two = Measure(*font, "A\nB");
    EXPECT_EQ(two.height, 2 * lh);
    EXPECT_EQ(two.width, std::max(Measure(*font, "A").width, Measure(*font, "B").width));
    EXPECT_EQ(Measure(*font, "A\r\nB").height, 2 * lh);
    font->setExtraLineGap(3);
    EXPECT_EQ(Measure(*font, "A\nB").height, 2 * lh + 3);
    font->setExtraLineGap(0);

    const Extent single = Measure(*font, "A\nB", RAST_DT_SINGLELINE);
    EXPECT_EQ(single.height, lh);
    EXPECT_EQ(single.width, Measure(*font, "A B").width);

    // B drawn one line below, starting again at the left edge.
    auto lines = Paper(80, 3 * lh);
    RAST_Rect r{4, 0, 80, 3 * lh};
    EXPECT_EQ(font->renderText(lines.get(), "A\nB", -1, &r, 0), 2 * lh);
    auto onlyB = Paper(80, 3 * lh);
    RAST_Rect below{4, lh, 80, 3 * lh};
    font->renderText(onlyB.get(), "B", -1, &below, 0);
    const Bounds b = Changed(*onlyB);
    ASSERT_FALSE(b.empty());
    for (int y = lh; y < 3 * lh; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(At(*lines, x, y), At(*onlyB, x, y)) << x << "," << y;

    auto flat = Paper(80, 3 * lh);
    RAST_Rect f{4, 0, 80, 3 * lh};
    font->renderText(flat.get(), "A\nB", -1, &f, RAST_DT_SINGLELINE);
    EXPECT_LT(Changed(*flat).bottom, lh);
}

TEST_F(FontTest, AlignmentPlacesTheMeasuredText) {
    const Extent size = Measure(*font, "Hi");
    const int W = 61, H = 50;
    struct Case {
        int format, x, y;
    } cases[] = {
        {RAST_DT_CENTER, (W - size.width) / 2, 0},
        {RAST_DT_RIGHT, W - size.width, 0},
        {RAST_DT_VCENTER, 0, (H - size.height) / 2},
        {RAST_DT_BOTTOM | RAST_DT_CENTER, (W - size.width) / 2, H - size.height},
    };
    for (const Case& c : cases) {
        auto aligned = Paper(W, H);
        RAST_Rect r{0, 0, W, H};
        font->renderText(aligned.get(), "Hi", -1, &r, c.format);
        auto placed = Paper(W, H);
        RAST_Rect p{c.x, c.y, W, H};
        font->renderText(placed.get(), "Hi", -1, &p, 0);
        EXPECT_FALSE(Changed(*aligned).empty());
        EXPECT_TRUE(SamePixels(*aligned, *placed)) << c.format;
    }
}

TEST_F(FontTest, BlendsMasksWithTheForegroundColour) {
    const int code = 'W';
    Measure(*font, "W");
    const RAST_GlyphRecord& glyph = *font->findGlyph(code);
    const std::uint8_t* mask = font->glyphMask(glyph);
    const Pixel fg = 0xC0F08010;
    font->setForeground(fg);
    const int x = 10 + glyph.leftOffset, y = 2;

    for (float alpha : {1.0f, 0.5f}) {
        font->setBlend(RAST_MODE_COPY, alpha);
        auto paper = Paper(64, 48);
        ASSERT_TRUE(font->renderGlyph(paper.get(), code, x, y, nullptr));
        const int w = static_cast<int>(alpha * 256);
        for (int row = 0; row < 48; ++row)
            for (int col = 0; col < 64; ++col) {
                const int mx = col - 10, my = row - y;
                const bool inside = mx >= 0 && my >= 0 && mx < glyph.width && my < glyph.height;
                const int g = inside ? mask[my * glyph.width + mx] : 0;
                Pixel expected = kPaper;
                if (g) {
                    const int keep = w == 256 ? 255 - g : 256 - std::min(256, w * g / 256);
                    expected = 0;
                    for (int shift = 0; shift < 32; shift += 8) {
                        const int s = (fg >> shift) & 0xFF, d = (kPaper >> shift) & 0xFF;
                        expected |= Pixel((s + (d - s) * keep / 256) & 0xFF) << shift;
                    }
                }
                ASSERT_EQ(At(*paper, col, row), expected) << alpha << " " << col << "," << row;
            }
    }

    // An opaque background fills the clipped glyph box; the clip holds.
    font->setBlend(RAST_MODE_COPY, 1.0f);
    font->setBackgroundMode(RAST_BK_OPAQUE);
    font->setBackground(0xFF000000);
    auto paper = Paper(64, 48);
    const RAST_Rect clip{0, 0, 64, 10};
    ASSERT_TRUE(font->renderGlyph(paper.get(), code, x, y, &clip));
    const Bounds box = Changed(*paper);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, y);
    EXPECT_EQ(box.right, 10 + glyph.width - 1);
    EXPECT_EQ(box.bottom, 9);
    EXPECT_FALSE(font->renderGlyph(paper.get(), code, x, 20, &clip));
}

TEST_F(FontTest, ForegroundAlphaScalesTheBlend) {
    auto full = Paper(60, 30), half = Paper(60, 30), none = Paper(60, 30);
    RAST_Rect r{2, 2, 60, 30};
    font->setForeground(0xFFFFFFFF);
    font->renderText(full.get(), "Ag", -1, &r, RAST_TEXT_USE_FG_ALPHA);
    font->setForeground(0x80FFFFFF);
    font->renderText(half.get(), "Ag", -1, &r, RAST_TEXT_USE_FG_ALPHA);
    font->setForeground(0x00FFFFFF);
    EXPECT_EQ(font->renderText(none.get(), "Ag", -1, &r, RAST_TEXT_USE_FG_ALPHA), 0);
    EXPECT_TRUE(Changed(*none).empty());
    // Half weight leaves every covered pixel between paper and the full result.
    int darker = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const int p = (kPaper >> 16) & 0xFF, f = (At(*full, x, y) >> 16) & 0xFF,
                      h = (At(*half, x, y) >> 16) & 0xFF;
            EXPECT_GE(h, p);
            EXPECT_LE(h, f);
            darker += h < f;
        }
    EXPECT_GT(darker, 0);
    font->setForeground(0xFFFFFFFF);
    font->setBlend(RAST_MODE_COPY, 0.0f);
    EXPECT_EQ(font->renderText(full.get(), "Ag", -1, &r, 0), 0);
}

TEST_F(FontTest, BadInputDrawsNothingAndStaysInsideTheBitmap) {
    auto paper = Paper(40, 30);
    RAST_Rect r{0, 0, 40, 30};
    EXPECT_EQ(font->renderText(paper.get(), nullptr, -1, &r, 0), 0);
    EXPECT_EQ(font->renderText(paper.get(), "", -1, &r, 0), 0);
    EXPECT_EQ(font->renderText(paper.get(), "Abc", 0, &r, 0), 0);
    EXPECT_EQ(font->renderText(nullptr, "Abc", -1, &r, 0), 0);
    EXPECT_EQ(font->renderText(paper.get(), "Abc", -1, nullptr, 0), 0);
    EXPECT_TRUE(Changed(*paper).empty());

    // Invalid UTF-8 bytes draw as characters of their own.
    EXPECT_GT(font->renderText(paper.get(), "\xFF\xFE\xC3\x28\xED", -1, &r, 0), 0);

    // Far outside, clipped away, or with the rectangle reversed.
    auto clean = Paper(40, 30);
    const RAST_Rect places[] = {{-100000, -100000, -99000, -99000},
                                {INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX},
                                {INT_MIN, INT_MIN, INT_MIN + 3, INT_MIN + 3}};
    for (RAST_Rect place : places) {
        for (int format :
             {0, RAST_DT_NOCLIP, RAST_DT_CENTER | RAST_DT_VCENTER, RAST_DT_RIGHT | RAST_DT_BOTTOM})
            font->renderText(clean.get(), "Wide text\nline", -1, &place, format);
        EXPECT_TRUE(font->renderGlyph(clean.get(), 'W', INT_MIN, INT_MAX, nullptr) == false);
    }
    // A reversed rectangle clips everything away.
    RAST_Rect reversed{30, 20, 0, 0};
    font->renderText(clean.get(), "Wide", -1, &reversed, RAST_DT_CENTER);
    EXPECT_TRUE(Changed(*clean).empty());

    // A bitmap without pixels.
    RAST_MemBitmap empty(0, 0, 4);
    RAST_Rect e{0, 0, 10, 10};
    EXPECT_EQ(font->renderText(&empty, "A", -1, &e, RAST_DT_NOCLIP), 0);

    // A font without a handle measures nothing and draws nothing.
    RAST_CachedFont bare;
    RAST_Rect m{1, 1, 50, 50};
    bare.renderText(nullptr, "A", -1, &m, RAST_DT_CALCRECT);
    EXPECT_EQ(m.right, 1);
    EXPECT_EQ(bare.renderText(paper.get(), "A", -1, &r, 0), 0);
}

TEST(FontFaces, OddSizesAndUnknownFacesAreSafe) {
    for (int size : {0, -12, 1, 10000, -10000, INT_MIN, INT_MAX}) {
        auto font = MakeFont(size);
        auto paper = Paper(50, 40);
        RAST_Rect r{0, 0, 50, 40};
        font->setForeground(0xFFFFFFFF);
        font->renderText(paper.get(), "Ag\xC3\xA9", -1, &r, 0);
        RAST_SysBitmap sys(50, 40);
        font->renderText(&sys, "Ag", -1, &r, RAST_DT_CENTER);
        if (size == 0 || size == -12) {
            EXPECT_GT(font->lineHeight(), 4) << size;
            EXPECT_FALSE(Changed(*paper).empty()) << size;
        }
    }
    // An unknown face falls back to a default face and still draws.
    auto fallback = MakeFont(16, RAST_FONT_OWNS_HANDLE, "No Such Face Tonewell");
    ASSERT_NE(fallback->gdiFont(), nullptr);
    fallback->setForeground(0xFFFFFFFF);
    auto paper = Paper(50, 40);
    RAST_Rect r{0, 0, 50, 40};
    EXPECT_GT(fallback->renderText(paper.get(), "Ag", -1, &r, 0), 0);
    EXPECT_FALSE(Changed(*paper).empty());
    auto noName = MakeFont(16, RAST_FONT_OWNS_HANDLE, nullptr);
    EXPECT_NE(noName->gdiFont(), nullptr);
}

TEST(FontPath, EachPlatformDrawsOpaqueEditorTextOnItsOwnPath) {
    auto font = MakeFont(16, RAST_FONT_OWNS_HANDLE | RAST_FONT_PREFER_GDI);
    font->setForeground(0xFF00FF00);
    RAST_SysBitmap target(80, 30);
    for (int y = 0; y < 30; ++y)
        std::fill_n(target.pixelData() + y * target.rowStride(), 80, kPaper);
    RAST_Rect r{0, 0, 80, 30};
    EXPECT_GT(font->renderText(&target, "Tonewell", -1, &r, RAST_DT_NOCLIP | RAST_DT_CENTER), 0);
    EXPECT_FALSE(Changed(target).empty());
    // Native drawing bypasses the cache; the glyph path fills it.
    if (RAST_FontPlatform::HasNativeText() && RAST_FontPlatform::NativeTextAvailable())
        EXPECT_EQ(font->glyphStoreSize(), 0u);
    else
        EXPECT_GT(font->glyphStoreSize(), 0u);
    // Translucent colours always take the glyph path.
    font->setForeground(0x8000FF00);
    font->renderText(&target, "xyz", -1, &r, RAST_DT_NOCLIP | RAST_TEXT_USE_FG_ALPHA);
    EXPECT_NE(font->findGlyph('x')->storePos, 0);
}

#ifdef _WIN32
TEST(FontPath, FontsTooTallForTheCacheAreDrawnByGdi) {
    auto font = MakeFont(300);
    ASSERT_GT(font->lineHeight(), 255);
    font->setForeground(0xFFFFFFFF);
    RAST_SysBitmap target(400, 320);
    for (int y = 0; y < 320; ++y)
        std::fill_n(target.pixelData() + y * target.rowStride(), 400, kPaper);
    RAST_Rect r{0, 0, 400, 320};
    EXPECT_GT(font->renderText(&target, "W", -1, &r, 0), 255);
    EXPECT_FALSE(Changed(target).empty());
    EXPECT_EQ(font->glyphStoreSize(), 0u);
    // A target without a device context goes through the scratch surface.
    auto paper = Paper(400, 320);
    font->renderText(paper.get(), "W", -1, &r, RAST_DT_CENTER);
    EXPECT_FALSE(Changed(*paper).empty());
    RAST_Rect m{0, 0, 0, 0};
    font->renderText(nullptr, "WW", -1, &m, RAST_DT_CALCRECT);
    EXPECT_GT(m.right, 0);
}
#endif

} // namespace
