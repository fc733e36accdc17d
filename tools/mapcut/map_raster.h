// The package's pixels, warped from the inputs with GDAL's warper one window
// at a time, so that memory is bounded by the window whatever the inputs'
// size.
#pragma once

#include "map_grid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mapcut {

enum class Resampling { Nearest, Mode, Bilinear, Cubic, Lanczos, Average };

bool ParseResampling(const std::string& name, Resampling* r);
const char* ResamplingName(Resampling r);

class MapRaster {
public:
    // The inputs must outlive the raster; it reads them, never changes them.
    MapRaster(const std::vector<SourceImage>& sources, const MapGrid& grid, Resampling resampling);

    // Reads the window of `width` x `height` pixels at (x, y) of the grid as
    // opaque RGBA rows of width * 4 bytes. Where no input has data (outside
    // the inputs, their nodata, their transparency) the window colour shows,
    // as it does where a map has no tile. Not thread-safe.
    bool read(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
              std::uint8_t* rgba, std::string* error);

private:
    std::vector<GDALDatasetH> sources_;
    const MapGrid& grid_;
    std::vector<std::string> arguments_;
    std::uint8_t window_[3];
};

// Whether the inputs look like a drawn map of few colours rather than a
// photograph: all palette or grey images, or RGB whose first rows hold at
// most 256 colours.
bool HasFewColours(const std::vector<SourceImage>& sources);

} // namespace mapcut
