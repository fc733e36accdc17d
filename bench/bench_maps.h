// Map packages the benchmarks run on, made once per run in a temporary folder.
#pragma once

#include "tile_encoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// The folder, removed at exit.
const std::string& WorkDir();

// A package whose table has `tiles` entries (a square-ish grid) and whose tile
// data takes `bytesPerTile` each; the data is a hole in a sparse file, since
// opening must not read it. Returns the prefix.
std::string TableOnlyMap(std::uint32_t tiles, std::uint32_t bytesPerTile);

// 32 tiles of the bundled sample map (more than the cache holds), re-encoded.
// Returns the prefix of an 8 x 4 tile package.
std::string SampleTilesMap(mapcut::TileFormat format);

// A 16384 x 16384 JPEG map (64 x 64 tiles), no two tiles alike: the 32
// sample tiles, each copy mirrored, recoloured and with noise of its own.
std::string LargeJpegMap();

// The encoded bytes of tile n of that package.
std::string TileBytes(const std::string& prefix, std::uint32_t n);

// The bundled sample map next to the benchmark binary's build folder.
std::string SampleMapPrefix();

} // namespace bench
