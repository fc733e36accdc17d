// Cutting the warped map into a package: PREFIX.dt1 and PREFIX.dt2.
#pragma once

#include "map_raster.h"
#include "package_writer.h"
#include "tile_encoder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mapcut {

// Called on the calling thread after each batch of tiles is written, with
// the number written and the total.
using Progress = std::function<void(std::uint32_t done, std::uint32_t total)>;

struct CutOptions {
    EncoderOptions encoder;
    unsigned threads = 0; // encoder threads; 0 is one a core
};

// The threads that encode: as many as asked, else one a core.
unsigned EncoderThreads(const CutOptions& options);

// Reads the map a batch of at most 32 tiles of one tile row at a time and
// encodes batches on EncoderThreads() threads, writing them in tile order.
// With one raster, the threads take turns reading it; with one raster a
// thread (each over its own opening of the inputs), they also read and warp
// side by side. Memory: three batches a thread (8 MiB each) plus GDAL's
// cache and the warper's chunks. Both files are written as new files under
// names of their own and renamed into place only when complete, so a failed
// or interrupted cut leaves any earlier package untouched.
bool CutMap(const std::vector<MapRaster*>& rasters, const MapGrid& grid, const std::string& prefix,
            const CutOptions& options, const Progress& progress, std::string* error);

// The folder a package PREFIX goes into must exist; says which one when not.
bool CheckOutputFolder(const std::string& prefix, std::string* error);

} // namespace mapcut
