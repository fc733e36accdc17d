// The tile file (map.dt2): a 32-bit little-endian tile count, then count + 1
// signed 32-bit offsets from the start of the file; tile n occupies the bytes
// from offset n - 1 up to offset n.
#pragma once

#include "core/map_limits.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// Reads the tile count. Fails when the file is shorter than four bytes or
// the count is beyond kMaxTiles.
bool ReadTileCount(std::FILE* file, std::uint64_t fileSize, std::uint32_t* count,
                   std::string* error);

// Reads the count + 1 offsets that follow the count and checks them. The table
// must lie within the file, before any allocation sized by it; an allocation
// that fails is a refusal, not an abort.
bool ReadTileOffsets(std::FILE* file, std::uint64_t fileSize, std::uint32_t count,
                     std::vector<std::int32_t>* offsets, std::string* error);

// Why the offsets cannot describe tiles of a file of that size (a negative
// start, a tile that ends before it starts, one past the end of the file), or
// empty when they can. Tile data may lie anywhere in the file.
std::string CheckTileOffsets(std::span<const std::int32_t> offsets, std::uint64_t fileSize);
