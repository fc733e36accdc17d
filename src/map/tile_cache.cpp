#include "tile_cache.h"

#include "core/map_limits.h"

#include "platform/system/kernel.h"

#include <algorithm>

TileCache::~TileCache() {
    clear();
}

const TMapTileCacheItem* TileCache::find(std::uint32_t tile) const {
    auto it = entries_.find(tile);
    return it == entries_.end() ? nullptr : &it->second;
}

void TileCache::trim() {
    const std::uint32_t now = GetTickCount();
    while (entries_.size() > capacity_ - 1) {
        auto oldest = entries_.begin();
        std::uint32_t bestAge = 0;
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            std::uint32_t age = now - it->second.time;
            if (age >= bestAge) {
                bestAge = age;
                oldest = it;
            }
        }
        if (oldest->second.image != nullptr) {
            oldest->second.image->Release();
        }
        entries_.erase(oldest);
    }
}

std::size_t TileCache::CapacityForView(int width, int height) {
    // A view touches at most ceil(side / 256) + 1 cells across; the ring adds two.
    const long long columns = (std::max(width, 0) + kTileSide - 1) / kTileSide + 3;
    const long long rows = (std::max(height, 0) + kTileSide - 1) / kTileSide + 3;
    return std::size_t(std::max<long long>(kMaxEntries, std::min(columns * rows, 1LL << 20)));
}

void TileCache::setCapacity(std::size_t capacity) {
    capacity_ = std::max(capacity, kMaxEntries);
}

void TileCache::insert(std::uint32_t tile, TMapTileCacheItem item) {
    entries_.emplace(tile, item);
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
