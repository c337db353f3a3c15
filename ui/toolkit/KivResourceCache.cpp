#include "KivResourceCache.h"

KivResourceCache::KivResourceCache(Loader loader) : m_loader(std::move(loader)) {}

const KivImage* KivResourceCache::picture(int id, const char* type) {
    if (id == 0) {
        return nullptr;
    }
    Entry* empty = nullptr;
    for (Entry& entry : m_entries) {
        if (entry.image && entry.id == id) {
            return entry.image.get();
        }
        if (!entry.image && !empty) {
            empty = &entry;
        }
    }
    if (!empty) {
        return nullptr;
    }
    auto image = std::make_unique<KivImage>();
    if (!m_loader(*image, type, id)) {
        return nullptr;
    }
    if (image->bitsPerPixel() == 32) {
        PremultiplyTruncating(*image);
    }
    empty->id = id;
    empty->image = std::move(image);
    return empty->image.get();
}

int KivResourceCache::size() const {
    int used = 0;
    for (const Entry& entry : m_entries) {
        used += entry.image ? 1 : 0;
    }
    return used;
}

const KivImage* CachedResourcePicture(int id, const char* type) {
    static KivResourceCache cache(LoadResourcePicture);
    return cache.picture(id, type);
}
