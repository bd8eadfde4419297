#include "ImageCache.h"

ImageCache& ImageCache::Instance() {
    static ImageCache cache;
    return cache;
}

RAST_IBitmap* ImageCache::FindLocked(int id) const {
    for (const auto& entry : entries)
        if (entry.first == id) return entry.second.get();
    return nullptr;
}

RAST_IBitmap* ImageCache::Find(int id) {
    std::lock_guard<std::mutex> hold(mutex);
    return FindLocked(id);
}

RAST_IBitmap* ImageCache::FindOrLoad(int id, const Loader& load) {
    // Loading under the lock: two editors opening at once load an image once.
    std::lock_guard<std::mutex> hold(mutex);
    if (RAST_IBitmap* found = FindLocked(id)) return found;
    std::unique_ptr<RAST_IBitmap> bitmap = load ? load() : nullptr;
    if (!bitmap) return nullptr;
    entries.emplace_back(id, std::move(bitmap));
    return entries.back().second.get();
}

RAST_IBitmap* ImageCache::Add(int id, std::unique_ptr<RAST_IBitmap> bitmap) {
    if (!bitmap) return nullptr;
    std::lock_guard<std::mutex> hold(mutex);
    entries.emplace_back(id, std::move(bitmap));
    return entries.back().second.get();
}
