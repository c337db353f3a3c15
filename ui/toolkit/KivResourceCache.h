// The cache of built-in resource pictures: 100 entries for the whole process, each filled on
// first request and kept until the process ends. UI thread only.
#pragma once

#include "KivImage.h"

#include <array>
#include <functional>
#include <memory>

class KivResourceCache {
public:
    static constexpr int kEntries = 100;
    /// Loads the picture of `type` and `id` into the image; false when there is none.
    using Loader = std::function<bool(KivImage& image, const char* type, int id)>;

    explicit KivResourceCache(Loader loader);

    /// The cached picture of `id`. On a miss the first empty entry takes the picture, 32-bit
    /// pictures premultiplied with the truncating rule. Nothing (nullptr) for id 0, a picture
    /// that does not load, or when all entries are taken; the entry then stays empty.
    const KivImage* picture(int id, const char* type = "PNG");

    /// Entries in use.
    int size() const;

private:
    struct Entry {
        int id = 0;
        std::unique_ptr<KivImage> image;
    };
    Loader m_loader;
    std::array<Entry, kEntries> m_entries;
};

/// The process-wide cache over the built-in pictures (LoadResourcePicture).
const KivImage* CachedResourcePicture(int id, const char* type = "PNG");
