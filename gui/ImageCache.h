// The process-wide store of loaded images, shared by every editor of the
// module. Entries are never evicted; the bitmaps go with the module.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "RAST_IBitmap.h"

class ImageCache {
public:
    using Loader = std::function<std::unique_ptr<RAST_IBitmap>()>;

    static ImageCache& Instance();

    // The first bitmap stored under id, or null.
    RAST_IBitmap* Find(int id);
    // The bitmap under id, loaded and stored on a miss. A failed load stores
    // nothing, so a later call tries again; the result is then null.
    RAST_IBitmap* FindOrLoad(int id, const Loader& load);
    // Stores a bitmap under id (after any earlier entry of that id) and
    // returns it; null stores nothing.
    RAST_IBitmap* Add(int id, std::unique_ptr<RAST_IBitmap> bitmap);

private:
    ImageCache() = default;
    RAST_IBitmap* FindLocked(int id) const;

    std::mutex mutex;
    std::vector<std::pair<int, std::unique_ptr<RAST_IBitmap>>> entries;
};
