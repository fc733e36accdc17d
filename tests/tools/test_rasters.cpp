#include "test_rasters.h"

#include "map_fixture.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"

#include <cmath>
#include <cpl_conv.h>
#include <cstdio>
#include <cstdlib>
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

namespace testsupport {

namespace {

OGRSpatialReferenceH spatialRef(const char* srs) {
    OGRSpatialReferenceH h = OSRNewSpatialReference(nullptr);
    OSRSetAxisMappingStrategy(h, OAMS_TRADITIONAL_GIS_ORDER);
    if (OSRSetFromUserInput(h, srs) != OGRERR_NONE) {
        ADD_FAILURE() << "not a coordinate system: " << srs;
    }
    return h;
}

// The image in a MEM dataset, copied to the file by the driver (PNG and JPEG
// can only be written by copying).
void copyToFile(GDALDatasetH mem, const std::string& path, const char* driver, const double* gt,
                const char* srs) {
    if (gt != nullptr) {
        GDALSetGeoTransform(mem, const_cast<double*>(gt));
    }
    if (srs != nullptr) {
        OGRSpatialReferenceH h = spatialRef(srs);
        GDALSetSpatialRef(mem, h);
        OSRRelease(h);
    }
    GDALDatasetH out = GDALCreateCopy(GDALGetDriverByName(driver), path.c_str(), mem, FALSE,
                                      nullptr, nullptr, nullptr);
    ASSERT_NE(out, nullptr) << path << ": " << CPLGetLastErrorMsg();
    GDALClose(out);
}

} // namespace

TestRaster::TestRaster(int w, int h, COLORREF background)
    : width(w), height(h), rgb(std::size_t(w) * h * 3) {
    fill(0, 0, w, h, background);
}

void TestRaster::fill(int x0, int y0, int x1, int y1, COLORREF c) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
            std::uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
            p[0] = GetRValue(c);
            p[1] = GetGValue(c);
            p[2] = GetBValue(c);
        }
    }
}

void TestRaster::mark(double x, double y, COLORREF c, int radius) {
    const int px = int(std::floor(x)), py = int(std::floor(y));
    fill(px - radius, py - radius, px + radius + 1, py + radius + 1, c);
}

COLORREF TestRaster::at(int x, int y) const {
    const std::uint8_t* p = &rgb[(std::size_t(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

namespace {

GDALDatasetH memoryImage(const TestRaster& r) {
    GDALAllRegister();
    GDALDatasetH mem =
        GDALCreate(GDALGetDriverByName("MEM"), "", r.width, r.height, 3, GDT_Byte, nullptr);
    int bands[] = {1, 2, 3};
    EXPECT_EQ(GDALDatasetRasterIO(mem, GF_Write, 0, 0, r.width, r.height,
                                  const_cast<std::uint8_t*>(r.rgb.data()), r.width, r.height,
                                  GDT_Byte, 3, bands, 3, r.width * 3, 1),
              CE_None);
    return mem;
}

} // namespace

void WriteRaster(const std::string& path, const char* driver, const TestRaster& r, const double* gt,
                 const char* srs) {
    GDALDatasetH mem = memoryImage(r);
    copyToFile(mem, path, driver, gt, srs);
    GDALClose(mem);
}

void WriteRasterWithNodata(const std::string& path, const TestRaster& r, const double* gt,
                           const char* srs, int nodata) {
    GDALDatasetH mem = memoryImage(r);
    for (int b = 1; b <= 3; ++b) {
        GDALSetRasterNoDataValue(GDALGetRasterBand(mem, b), nodata);
    }
    copyToFile(mem, path, "GTiff", gt, srs);
    GDALClose(mem);
}

void WritePaletteTiff(const std::string& path, int width, int height,
                      const std::vector<std::uint8_t>& indices,
                      const std::vector<COLORREF>& palette, const double* gt, const char* srs) {
    GDALAllRegister();
    GDALDatasetH mem =
        GDALCreate(GDALGetDriverByName("MEM"), "", width, height, 1, GDT_Byte, nullptr);
    GDALRasterBandH band = GDALGetRasterBand(mem, 1);
    ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, width, height,
                           const_cast<std::uint8_t*>(indices.data()), width, height, GDT_Byte, 0,
                           0),
              CE_None);
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        GDALColorEntry e{GetRValue(palette[i]), GetGValue(palette[i]), GetBValue(palette[i]), 255};
        GDALSetColorEntry(table, int(i), &e);
    }
    GDALSetRasterColorTable(band, table);
    GDALSetRasterColorInterpretation(band, GCI_PaletteIndex);
    GDALDestroyColorTable(table);
    copyToFile(mem, path, "GTiff", gt, srs);
    GDALClose(mem);
}

namespace {

void transform(const char* fromSrs, const char* toSrs, double u, double v, double* x, double* y) {
    OGRSpatialReferenceH from = spatialRef(fromSrs), to = spatialRef(toSrs);
    OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(from, to);
    *x = u;
    *y = v;
    EXPECT_TRUE(t != nullptr && OCTTransform(t, 1, x, y, nullptr));
    OCTDestroyCoordinateTransformation(t);
    OSRRelease(from);
    OSRRelease(to);
}

} // namespace

void Project(const char* srs, double lon, double lat, double* x, double* y) {
    transform("EPSG:4326", srs, lon, lat, x, y);
}

void Unproject(const char* srs, double x, double y, double* lon, double* lat) {
    transform(srs, "EPSG:4326", x, y, lon, lat);
}

void WriteWorldFile(const std::string& path, const double gt[6]) {
    // A world file names the centre of the top-left pixel.
    char text[512];
    std::snprintf(text, sizeof text, "%.12f\n%.12f\n%.12f\n%.12f\n%.12f\n%.12f\n", gt[1], gt[4],
                  gt[2], gt[5], gt[0] + gt[1] / 2 + gt[2] / 2, gt[3] + gt[4] / 2 + gt[5] / 2);
    WriteFile(path, text);
}

void WritePrj(const std::string& path, const char* srs) {
    OGRSpatialReferenceH h = spatialRef(srs);
    OSRMorphToESRI(h);
    char* wkt = nullptr;
    OSRExportToWkt(h, &wkt);
    WriteFile(path, wkt);
    CPLFree(wkt);
    OSRRelease(h);
}

bool FindMarkNear(const std::string& prefix, double lon, double lat, COLORREF c, double* dx,
                  double* dy) {
    MapPackage map(Wide(prefix).c_str());
    if (!map.isOpen()) {
        ADD_FAILURE() << map.errorText();
        return false;
    }
    constexpr int kSide = 33;
    platform::OffscreenDC dc(kSide, kSide);
    map.draw(dc.hdc(), float(lon), float(lat), RECT{0, 0, kSide, kSide}, 1.0f);
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const COLORREF p = dc.pixel(x, y);
            if (std::abs(GetRValue(p) - GetRValue(c)) < 48 &&
                std::abs(GetGValue(p) - GetGValue(c)) < 48 &&
                std::abs(GetBValue(p) - GetBValue(c)) < 48) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
        }
    }
    if (n == 0) {
        return false;
    }
    // Where the viewer puts (lon, lat) in this view: map pixel m at m - px.
    const TMapDesc& d = map.desc;
    const float viewLeft = float(lon) - float(kSide) * 0.5f * d.xscale;
    const float viewTop = float(lat) - float(kSide) * 0.5f * d.yscale;
    const double px = std::floor((viewLeft - d.left) / d.xscale);
    const double py = std::floor((viewTop - d.top) / d.yscale);
    *dx = sx / n - ((float(lon) - d.left) / d.xscale - px);
    *dy = sy / n - ((float(lat) - d.top) / d.yscale - py);
    return true;
}

} // namespace testsupport
