#include "tile_cache.h"

#include "core/map_limits.h"

#include "platform/system/kernel.h"

#include <algorithm>
#include <cmath>

TileCache::~TileCache() {
    clear();
}

const TMapTileCacheItem* TileCache::find(std::uint32_t tile) const {
    auto it = entries_.find(tile);
    return it == entries_.end() ? nullptr : &it->second;
}

void TileCache::release(std::map<std::uint32_t, TMapTileCacheItem>::iterator entry) {
    if (entry->second.image != nullptr) {
        entry->second.image->Release();
    }
    entries_.erase(entry);
}

// Ages do not change while one trim runs, so taking the oldest once for each
// entry to go is taking the first of them in order of age (greatest first),
// then of tile number (highest first): one walk when one goes, as on the
// handset, one sort when a zoom change leaves many to go.
void TileCache::trim() {
    if (entries_.size() < capacity_) {
        return;
    }
    const std::uint32_t now = GetTickCount();
    const std::size_t excess = entries_.size() - capacity_ + 1;
    using Entry = std::map<std::uint32_t, TMapTileCacheItem>::iterator;
    auto older = [now](const Entry& a, const Entry& b) {
        const std::uint32_t ageA = now - a->second.time, ageB = now - b->second.time;
        return ageA != ageB ? ageA > ageB : a->first > b->first;
    };
    std::vector<Entry> all;
    all.reserve(entries_.size());
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        all.push_back(it);
    }
    if (excess == 1) {
        release(*std::min_element(all.begin(), all.end(), older));
        return;
    }
    std::partial_sort(all.begin(), all.begin() + std::ptrdiff_t(excess), all.end(), older);
    for (std::size_t i = 0; i < excess; ++i) {
        release(all[i]);
    }
}

std::size_t TileCache::CapacityForView(int width, int height, float zoom) {
    // Cells of T pixels: a view touches at most ceil(side / T) + 1 across;
    // the ring adds two.
    const double scale = zoom > 0 && zoom < 1 ? double(zoom) : 1.0;
    const double cell = std::max(1.0, double(kTileSide) * scale);
    const double columns = std::ceil(std::max(width, 0) / cell) + 3;
    const double rows = std::ceil(std::max(height, 0) / cell) + 3;
    return std::size_t(std::max<double>(kMaxEntries, std::min(columns * rows, double(1 << 20))));
}

void TileCache::setCapacity(std::size_t capacity) {
    capacity_ = std::max(capacity, kMaxEntries);
}

void TileCache::insert(std::uint32_t tile, TMapTileCacheItem item) {
    entries_.emplace(tile, item);
}

void TileCache::replace(std::uint32_t tile, TMapTileCacheItem item) {
    auto it = entries_.find(tile);
    if (it == entries_.end()) {
        insert(tile, item);
        return;
    }
    if (it->second.image != nullptr) {
        it->second.image->Release();
    }
    it->second = item;
}

void TileCache::clear() {
    while (!entries_.empty()) {
        auto first = entries_.begin();
        if (first->second.image != nullptr) {
            first->second.image->Release();
        }
        entries_.erase(first);
    }
}

std::vector<std::uint32_t> TileCache::tiles() const {
    std::vector<std::uint32_t> numbers;
    numbers.reserve(entries_.size());
    for (const auto& [tile, item] : entries_) {
        numbers.push_back(tile);
    }
    return numbers;
}
