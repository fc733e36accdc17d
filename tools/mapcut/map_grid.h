// The package's pixel grid: linear in longitude and latitude, north up, whole
// tiles, placed over the inputs.
#pragma once

#include "source_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mapcut {

struct GridOptions {
    std::optional<Bounds> crop; // LEFT TOP RIGHT BOTTOM in degrees
    double metresPerPixel = 0;  // at the map's centre; 0 keeps the finest input's
    bool wgs84 = false;         // WGS 84 whatever the inputs' datum
};

// Where an input lies in the grid's coordinate system, and how fine it is.
struct Footprint {
    Bounds bounds;             // longitude/latitude of its outer edges (north up)
    double metresPerPixel = 0; // the side of its centre pixel on the ground
};

struct MapGrid {
    SpatialRef srs; // geographic, longitude first
    // The outer edges of the outer pixels: pixel column p spans
    // left + p * xscale to left + (p + 1) * xscale.
    double left = 0;
    double top = 0;
    double xscale = 0; // degrees of longitude a pixel
    double yscale = 0; // degrees of latitude a pixel, negative: north up
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    double metresPerPixel = 0; // at the centre, along the parallel
    bool onSourceGrid = false; // the pixels are those of the finest input
    std::vector<Footprint> footprints;

    Bounds bounds() const { return {left, top, left + width * xscale, top + height * yscale}; }
};

// The geographic coordinate system of the inputs' datum, or WGS 84 when they
// differ, when one has none, or when asked.
SpatialRef GridSpatialRef(const std::vector<SourceImage>& sources, bool wgs84);

// Chooses the grid: the inputs' union (or the crop within it), at the finest
// input's ground resolution at its centre, widened right and down to whole
// 256-pixel tiles so that nothing of the inputs is dropped.
bool ChooseGrid(const std::vector<SourceImage>& sources, const GridOptions& options, MapGrid* grid,
                std::string* error);

// Metres on the ground of one degree of latitude (and of longitude at the
// equator), on a sphere of the earth's mean radius.
constexpr double kMetresPerDegree = 111194.93;

} // namespace mapcut
