// The process-wide store of fonts made for text styles, shared by every editor
// of the module. A font is found by size, orientation, weight/slant bits and
// face; entries are never evicted and the fonts go with the module.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "ITextStyle.h"
#include "RAST_CachedFont.h"

class FontCache {
public:
    static FontCache& Instance();

    // The font for the style, made on first use. Null when the platform
    // cannot make it (nothing is stored, so a later call tries again).
    RAST_CachedFont* FindOrCreate(const ITextStyle& style);

    // The platform font quality for a style's quality setting.
    static int PlatformQuality(int quality);

private:
    FontCache() = default;

    struct Entry {
        int size, orientation, style;
        char face[36];
        std::unique_ptr<RAST_CachedFont> font;
    };

    std::mutex mutex;
    std::vector<Entry> entries;
};
