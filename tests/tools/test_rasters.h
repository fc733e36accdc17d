// Georeferenced test images, written with GDAL itself, and what a package
// made from them shows at a longitude/latitude.
#pragma once

#include "platform/system/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// An RGB image in memory with coloured squares at chosen pixels.
struct TestRaster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    TestRaster(int w, int h, COLORREF background);
    void fill(int x0, int y0, int x1, int y1, COLORREF c);
    // A square of 2 * radius + 1 pixels centred on the pixel that holds the
    // continuous position (x, y).
    void mark(double x, double y, COLORREF c, int radius = 2);
    COLORREF at(int x, int y) const;
};

// Writes the image with a GDAL driver ("GTiff", "PNG", "JPEG"); `gt` and
// `srs` (anything GDAL's user input takes: "EPSG:32636") are optional.
void WriteRaster(const std::string& path, const char* driver, const TestRaster& r,
                 const double* gt = nullptr, const char* srs = nullptr);

// The same with every band's nodata value set to `nodata`.
void WriteRasterWithNodata(const std::string& path, const TestRaster& r, const double* gt,
                           const char* srs, int nodata);

// The same with a palette: `indices` one byte a pixel, `palette` its colours.
void WritePaletteTiff(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& indices,
                      const std::vector<COLORREF>& palette, const double* gt, const char* srs);

// Projects longitude/latitude (WGS 84) into the system `srs`.
void Project(const char* srs, double lon, double lat, double* x, double* y);

// Longitude/latitude (WGS 84) of a point in the system `srs`.
void Unproject(const char* srs, double x, double y, double* lon, double* lat);

// The world file (.pgw and the like) of a geotransform, and a .prj.
void WriteWorldFile(const std::string& path, const double gt[6]);
void WritePrj(const std::string& path, const char* srs);

// Where the colour `c` shows within a few pixels of the view centre when the
// package is drawn at zoom 1 centred on (lon, lat): the offset of the mark's
// middle from the centre, in pixels. False when it does not show.
bool FindMarkNear(const std::string& prefix, double lon, double lat, COLORREF c, double* dx,
                  double* dy);

} // namespace testsupport
