// Font that caches every character it draws as an 8-bit coverage mask and
// blends the masks into any bitmap; on Windows opaque text may instead go
// straight through GDI.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "RAST_IFont.h"

// One cached character. 24 bytes: six 32-bit ints.
struct RAST_GlyphRecord {
    std::int32_t storePos;   // position + 1 of the mask in the store; 0 not rendered, -1 empty
    std::int32_t width;      // mask columns
    std::int32_t height;     // mask rows
    std::int32_t advance;    // pen movement in pixels
    std::int32_t code;       // character code (16 bits), the sort key
    std::int32_t leftOffset; // pixels from the mask's first column to the pen
};

class RAST_CachedFont : public RAST_IFont {
public:
    RAST_CachedFont();
    ~RAST_CachedFont() override;
    RAST_CachedFont(const RAST_CachedFont&) = delete;
    RAST_CachedFont& operator=(const RAST_CachedFont&) = delete;

    void adoptGdiFont(RAST_FontHandle font, int flags) override;
    Pixel setForeground(Pixel colour) override;
    Pixel setBackground(Pixel colour) override;
    Pixel setEffectTint(Pixel colour) override;
    int setBackgroundMode(int mode) override;
    void setBlend(int mode, float alpha) override;
    int renderText(RAST_IBitmap* target, const char* text, int count, RAST_Rect* rect,
                   int format) override;
    Pixel foreground() const override { return foreground_; }
    RAST_FontHandle gdiFont() const override { return font_; }
    int lineHeight() const override { return lineHeight_; }
    void setExtraLineGap(int pixels) override { extraLineGap_ = pixels; }

    // Blends the cached mask of code with its pen at (x, y), inside clip (null:
    // the whole target) and the target. False when nothing was drawn.
    virtual bool renderGlyph(RAST_IBitmap* target, int code, int x, int y, const RAST_Rect* clip);

    // Cache inspection: the record of a code (null if none), its mask (null
    // unless rendered and non-empty), and the sizes of the two stores.
    const RAST_GlyphRecord* findGlyph(int code) const;
    const std::uint8_t* glyphMask(const RAST_GlyphRecord& glyph) const;
    std::size_t extendedGlyphCount() const { return extended_.size(); }
    std::size_t glyphStoreSize() const { return store_.size(); }

    // Columns [first, end) of a width x height coverage box that a glyph keeps:
    // leading empty columns within the first margin columns are dropped; the
    // mask reaches to margin + advance, or further to the last covered column.
    struct ColumnSpan {
        int first, end;
    };
    static ColumnSpan TrimColumns(const std::uint8_t* box, int width, int height, int margin,
                                  int advance);

    // Decodes one character of UTF-8 from s[0..length): lead bytes C2-DF, E0-EF
    // and F0-F4 with 1, 2 and 3 continuation bytes; four-byte characters become
    // a space; any other byte stands for itself. Sets used to the bytes taken.
    static int DecodeUtf8(const unsigned char* s, std::size_t length, std::size_t& used);

private:
    RAST_GlyphRecord* findRecord(int code);
    RAST_GlyphRecord* recordFor(int code); // adds a record for a new code if allowed
    void renderIntoCache(int code);
    void clearCache();
    bool nativePathFor(int format) const;
    struct Extent {
        long long width, height;
    };
    Extent measure(const std::vector<int>& codes) const;
    bool blendGlyph(RAST_IBitmap& target, const RAST_GlyphRecord& glyph, int x, int y,
                    const RAST_Rect& clip);

    Pixel foreground_ = 0;
    Pixel background_ = 0xFFFFFFFF;
    Pixel effectTint_ = 0xFFFFFFFF;
    int backgroundMode_ = RAST_BK_TRANSPARENT;
    int blendMode_ = RAST_MODE_COPY;
    float blendAlpha_ = 1.0f;
    int flags_ = 0;
    int lineHeight_ = 0;
    int extraLineGap_ = 0;
    std::array<RAST_GlyphRecord, 128> direct_{};
    std::vector<RAST_GlyphRecord> extended_; // sorted by code
    std::vector<std::uint8_t> store_;        // all masks back to back
    RAST_FontHandle font_ = nullptr;
    std::vector<int> codes_; // the decoded text of the current call
};
