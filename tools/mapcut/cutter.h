// Cutting an image into a map package: PREFIX.dt1 and PREFIX.dt2.
#pragma once

#include "image_source.h"
#include "package_writer.h"
#include "tile_encoder.h"

#include <cstdint>
#include <functional>
#include <string>

namespace mapcut {

// Called after each tile with the number done and the total.
using Progress = std::function<void(std::uint32_t done, std::uint32_t total)>;

// Reads the image one band of 256 rows at a time and writes the whole tiles;
// the partial tiles at the right and bottom edges are dropped, as the map
// geometry gives them no tile. Both files are written under temporary names
// and renamed into place only when complete, so a failed cut leaves any
// earlier package untouched. Memory: one band, width * 256 * 4 bytes.
bool CutMap(ImageSource& image, const Bounds& bounds, const std::string& prefix,
            const EncoderOptions& options, const Progress& progress, std::string* error);

} // namespace mapcut
