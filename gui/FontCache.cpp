#include "FontCache.h"

#include <cstring>

FontCache& FontCache::Instance() {
    static FontCache cache;
    return cache;
}

int FontCache::PlatformQuality(int quality) {
    switch (quality) {
    case ITextStyle::kDefault:
        return RAST_QUALITY_DEFAULT;
    case ITextStyle::kClearType:
        return RAST_QUALITY_CLEARTYPE;
    case ITextStyle::kAntialiased:
        return RAST_QUALITY_ANTIALIASED;
    default:
        return RAST_QUALITY_NONANTIALIASED;
    }
}

RAST_CachedFont* FontCache::FindOrCreate(const ITextStyle& style) {
    // The face compared and stored is always terminated, whatever the style holds.
    char face[36] = {};
    std::memcpy(face, style.face, sizeof style.face - 1);

    std::lock_guard<std::mutex> hold(mutex);
    for (const Entry& entry : entries)
        if (entry.size == style.size && entry.orientation == style.orientation &&
            entry.style == style.style && std::memcmp(entry.face, face, sizeof face) == 0)
            return entry.font.get();

    // Orientation in tenths of a degree; saturated so that no value can overflow.
    const long long tenths = static_cast<long long>(style.orientation) * 10;
    const int orientation =
        static_cast<int>(tenths > 36000 || tenths < -36000 ? tenths % 36000 : tenths);
    RAST_FontHandle handle = RAST_CreateFontHandle(face, style.size, style.Bold(), style.Italic(),
                                                   orientation, PlatformQuality(style.quality));
    if (!handle) return nullptr;
    auto font = std::make_unique<RAST_CachedFont>();
    font->adoptGdiFont(handle, RAST_FONT_OWNS_HANDLE | RAST_FONT_PREFER_GDI);
    Entry entry{style.size, style.orientation, style.style, {}, std::move(font)};
    std::memcpy(entry.face, face, sizeof face);
    entries.push_back(std::move(entry));
    return entries.back().font.get();
}
