// Where the tiles fall on the screen: the grid of cells that covers a
// rectangle around a centre position at a zoom.
#pragma once

#include "map_desc.h"

#include <optional>

struct TileGrid {
    int tileSize; // T: the on-screen side of a cell in pixels
    int col0;     // tile column of the first cell
    int row0;     // tile row of the first cell
    int x0;       // offset of the first cell from the rectangle's left, in (-2T, 0]
    int y0;       // offset of the first cell from the rectangle's top
};

// The largest cell side drawn; beyond it (a zoom of 65536) the layout refuses.
constexpr int kMaxTileSize = 1 << 24;

// The grid for a width x height rectangle whose centre shows (lon, lat) at the
// zoom, in single precision with truncation toward zero. Empty when the zoom is
// not a positive finite number, the cell side T = (int)(256 * zoom) is below 1
// or above kMaxTileSize, or the pixel offset of the view from the map's corner
// leaves the 32-bit range: such a view shows no tile.
std::optional<TileGrid> ComputeTileGrid(const TMapDesc& desc, float lon, float lat, int width,
                                        int height, float zoom);
