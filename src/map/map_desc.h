// The map description: the size of the map in pixels, the longitudes and
// latitudes of its edges, and what follows from them.
#pragma once

#include "core/map_limits.h"

#include <cstdint>
#include <string>
#include <string_view>

struct TMapDesc {
    std::uint32_t width = 0;  // map width in pixels
    std::uint32_t height = 0; // map height in pixels
    float left = 0;           // longitude of pixel column 0's left edge
    float top = 0;            // latitude of pixel row 0's top edge
    float right = 0;          // longitude of pixel column `width`
    float bottom = 0;         // latitude of pixel row `height`
    float xscale = 0;         // degrees of longitude per map pixel
    float yscale = 0;         // degrees of latitude per map pixel (negative when north is up)
    std::uint32_t xtiles = 0; // whole tile columns
    std::uint32_t ytiles = 0; // whole tile rows
};

// Reads the text of desc.txt: twelve lines in six pairs, the first line of each
// pair a label that is skipped and the second a value (width, height, left, top,
// right, bottom). Lines are read as a 128-character line buffer reads them: a
// line longer than 127 characters keeps its first 127 and ends the reading, so
// every later value is 0. Missing values are 0. Then derives the scales and the
// tile counts in single precision.
TMapDesc ParseMapDescription(std::string_view text);

// Why the description cannot be drawn, or empty when it can.
std::string CheckMapDescription(const TMapDesc& desc);

// The 1-based, row-major number of the tile in column `col` and row `row`.
inline std::uint32_t TileNumber(const TMapDesc& desc, std::uint32_t col, std::uint32_t row) {
    return col + row * desc.xtiles + 1;
}
