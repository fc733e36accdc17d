// Tiles as they were last drawn much smaller than their size, kept by their
// encoded bytes: zoomed out, a view shows far more tiles than the tile cache
// holds, and every paint would otherwise decode each of them in full only to
// shrink it again. Keyed by a seeded fingerprint of the bytes, so the map
// layer's cache (which tiles, their ages) is untouched.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace platform {

struct TileKey {
    std::uint64_t hash = 0;
    std::uint64_t size = 0;
};

class ReducedTiles {
public:
    // A drawing at most this fraction of an image's side is kept.
    static constexpr int kMinReduction = 4;

    explicit ReducedTiles(std::size_t budgetBytes = std::size_t(8) << 20);

    // The key of encoded bytes: a 64-bit hash seeded afresh in every
    // process, with the length.
    TileKey keyOf(const std::uint8_t* bytes, std::size_t size) const;

    // Copies the kept drawing of that size into `out`; false when there is none.
    bool find(const TileKey& key, int width, int height, QImage* out) const;
    // Whether any drawing of these bytes is kept (they decoded before).
    bool contains(const TileKey& key) const;
    // Keeps a drawing, forgetting the oldest beyond the budget.
    void insert(const TileKey& key, const QImage& image);

private:
    struct Entry {
        std::uint64_t hash, size;
        int width, height;
        bool operator<(const Entry& o) const;
    };

    std::uint64_t seed_;
    std::size_t budget_;
    mutable std::mutex mutex_;
    std::map<Entry, QImage> images_;
    std::deque<Entry> order_;
    std::size_t bytes_ = 0;
};

} // namespace platform
