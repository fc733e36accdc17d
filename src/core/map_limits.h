// The shape of a map package, as the viewer reads it and mapcut writes it.
#pragma once

#include <cstdint>

// Tiles are this many map pixels a side.
constexpr std::uint32_t kTileSide = 256;

// The most tiles a map may have: 2^24, a 64 MiB offset table, far beyond any
// real map (a 4096 x 4096-tile map is a million pixels on a side).
constexpr std::uint32_t kMaxTiles = 1u << 24;
