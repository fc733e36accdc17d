#include "reduced_tiles.h"

#include <cstring>
#include <random>
#include <tuple>

namespace platform {

bool ReducedTiles::Entry::operator<(const Entry& o) const {
    return std::tie(hash, size, width, height) < std::tie(o.hash, o.size, o.width, o.height);
}

ReducedTiles::ReducedTiles(std::size_t budgetBytes)
    : seed_((std::uint64_t(std::random_device{}()) << 32) ^ std::random_device{}()),
      budget_(budgetBytes) {}

// A multiply-and-rotate hash over 8 bytes at a time from a random basis (it
// runs on every tile read): a map cannot be made whose tiles share a key in
// every run, so one tile cannot stand in for another.
TileKey ReducedTiles::keyOf(const std::uint8_t* bytes, std::size_t size) const {
    constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ULL;
    std::uint64_t h = seed_ ^ (size * kPrime);
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        h = ((h ^ word) * kPrime);
        h ^= h >> 29;
    }
    for (; i < size; ++i) {
        h = (h ^ bytes[i]) * kPrime;
        h ^= h >> 29;
    }
    return {h, size};
}

bool ReducedTiles::find(const TileKey& key, int width, int height, QImage* out) const {
    std::lock_guard lock(mutex_);
    auto it = images_.find(Entry{key.hash, key.size, width, height});
    if (it == images_.end()) {
        return false;
    }
    *out = it->second; // shares the pixels
    return true;
}

bool ReducedTiles::contains(const TileKey& key) const {
    std::lock_guard lock(mutex_);
    auto it = images_.lower_bound(Entry{key.hash, key.size, 0, 0});
    return it != images_.end() && it->first.hash == key.hash && it->first.size == key.size;
}

void ReducedTiles::insert(const TileKey& key, const QImage& image) {
    std::lock_guard lock(mutex_);
    const Entry entry{key.hash, key.size, image.width(), image.height()};
    if (!images_.emplace(entry, image).second) {
        return;
    }
    order_.push_back(entry);
    bytes_ += std::size_t(image.sizeInBytes());
    while (bytes_ > budget_ && !order_.empty()) {
        auto it = images_.find(order_.front());
        bytes_ -= std::size_t(it->second.sizeInBytes());
        images_.erase(it);
        order_.pop_front();
    }
}

} // namespace platform
