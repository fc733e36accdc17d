// The decoded tiles kept between paints, keyed by tile number.
#pragma once

#include "platform/drawing/imaging.h"

#include <cstdint>
#include <map>
#include <vector>

struct TMapTileCacheItem {
    std::uint32_t time; // tick count when the tile was decoded
    IImage* image;      // one reference, or null for a tile that did not decode
    std::uint32_t side; // 0: the tile as decoded; else a side x side thumbnail
};

// Holds at most capacity() tiles: kMaxEntries, the handset's bound, unless a
// view needs more. Entries age by when they were decoded, not by when they
// were last drawn, so the oldest decode is evicted first.
class TileCache {
public:
    static constexpr std::size_t kMaxEntries = 21;

    // The tiles a view of width x height screen pixels shows at the zoom
    // (zooms above 1 count as 1), with one ring of cells around it for the
    // next pan: at least kMaxEntries, so the handset's screens keep exactly
    // its bound at zoom 1 and above, while a larger or zoomed-out view is
    // not decoded again on every repaint.
    static std::size_t CapacityForView(int width, int height, float zoom = 1.0f);

    TileCache() = default;
    ~TileCache();
    TileCache(const TileCache&) = delete;
    TileCache& operator=(const TileCache&) = delete;

    // The entry of a tile, or null when it is not cached. A hit leaves the
    // entry's time alone.
    const TMapTileCacheItem* find(std::uint32_t tile) const;

    // Evicts entries until there is room for one more: each time the one
    // with the greatest age (now - time, unsigned, so right across the tick
    // count's wrap), of equal ages the one with the highest tile number.
    void trim();

    // Adds the entry, taking over its image reference. The tile must not be
    // cached already.
    void insert(std::uint32_t tile, TMapTileCacheItem item);
    // Gives a cached tile a new image (another size of it), releasing the
    // old one.
    void replace(std::uint32_t tile, TMapTileCacheItem item);

    // Releases every image, lowest tile number first, and empties the cache.
    void clear();

    std::size_t size() const { return entries_.size(); }
    std::size_t capacity() const { return capacity_; }
    // Never below kMaxEntries; takes effect at the next trim.
    void setCapacity(std::size_t capacity);
    std::vector<std::uint32_t> tiles() const;

private:
    void release(std::map<std::uint32_t, TMapTileCacheItem>::iterator entry);

    std::map<std::uint32_t, TMapTileCacheItem> entries_;
    std::size_t capacity_ = kMaxEntries;
};
