// The package's pixels, warped from the inputs by GDAL's warper on demand,
// one window at a time, so that memory is bounded by the window and GDAL's
// cache whatever the inputs' size.
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
    // Prepares a warped view of each input over the whole grid. The inputs
    // and the grid must outlive the raster; it reads them, never changes them.
    bool open(const std::vector<SourceImage>& sources, const MapGrid& grid, Resampling resampling,
              std::string* error);

    // Reads the window of `width` x `height` pixels at (x, y) of the grid as
    // opaque RGBA rows of width * 4 bytes: the inputs in order, each over
    // the ones before it, over the window colour, which shows where no input
    // has data (outside them, their nodata, their transparency), as it does
    // where a map has no tile. Not thread-safe.
    bool read(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
              std::uint8_t* rgba, std::string* error);

private:
    struct Layer {
        Dataset warped;       // the input warped onto the grid (a virtual dataset)
        GDALDatasetH direct;  // or the input itself, when it lies on the grid
        int bands = 3;        // 4 when it carries alpha
        long long column = 0; // where the direct input's pixel 0 lies in the grid
        long long row = 0;
        long long x0, y0, x1, y1; // the grid pixels it may cover
    };

    bool readLayer(const Layer& layer, long long x0, long long y0, long long x1, long long y1,
                   std::uint32_t x, std::uint32_t y, std::uint32_t width, std::string* error);

    std::vector<Layer> layers_;
    std::vector<std::uint8_t> scratch_;
    std::uint8_t window_[3] = {};
};

// Whether the inputs look like a drawn map of few colours rather than a
// photograph: all palette or grey images, or RGB whose first rows hold at
// most 256 colours.
bool HasFewColours(const std::vector<SourceImage>& sources);

} // namespace mapcut
