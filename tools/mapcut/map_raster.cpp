#include "map_raster.h"

#include "platform/gdi.h"

#include <cpl_error.h>
#include <cstdio>
#include <cstring>
#include <gdal_utils.h>
#include <unordered_set>

namespace mapcut {

namespace {

const std::pair<const char*, Resampling> kResamplings[] = {
    {"near", Resampling::Nearest},      {"mode", Resampling::Mode},
    {"bilinear", Resampling::Bilinear}, {"cubic", Resampling::Cubic},
    {"lanczos", Resampling::Lanczos},   {"average", Resampling::Average},
};

// A window of the grid in memory, its bands laid over the caller's buffer
// as one interleaved RGBA image, so the warper writes where the tiles are cut.
Dataset windowDataset(const MapGrid& grid, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                      std::uint32_t height, std::uint8_t* rgba) {
    GDALDriverH mem = GDALGetDriverByName("MEM");
    Dataset ds(GDALCreate(mem, "", int(width), int(height), 0, GDT_Byte, nullptr));
    if (!ds) {
        return nullptr;
    }
    char line[64];
    std::snprintf(line, sizeof line, "LINEOFFSET=%llu", static_cast<unsigned long long>(width) * 4);
    for (int band = 0; band < 4; ++band) {
        char pointer[64];
        std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p", static_cast<void*>(rgba + band));
        const char* options[] = {pointer, "PIXELOFFSET=4", line, nullptr};
        if (GDALAddBand(ds.get(), GDT_Byte, const_cast<char**>(options)) != CE_None) {
            return nullptr;
        }
    }
    GDALSetRasterColorInterpretation(GDALGetRasterBand(ds.get(), 4), GCI_AlphaBand);
    const double gt[6] = {grid.left + x * grid.xscale, grid.xscale, 0,
                          grid.top + y * grid.yscale,  0,           grid.yscale};
    GDALSetGeoTransform(ds.get(), const_cast<double*>(gt));
    GDALSetSpatialRef(ds.get(), grid.srs.get());
    return ds;
}

// The warper leaves colours unpremultiplied next to their alpha.
void composeOver(const std::uint8_t window[3], std::uint8_t* rgba, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, rgba += 4) {
        const unsigned a = rgba[3];
        if (a == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            rgba[c] = std::uint8_t((rgba[c] * a + window[c] * (255 - a) + 127) / 255);
        }
        rgba[3] = 255;
    }
}

bool fewColoursInFirstRows(const SourceImage& s) {
    const int width = std::min(s.width, 2048), height = std::min(s.height, 512);
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    int bands[] = {1, 2, 3, 4};
    if (GDALDatasetRasterIO(s.rgba.get(), GF_Read, 0, 0, width, height, rgba.data(), width, height,
                            GDT_Byte, 4, bands, 4, width * 4, 1) != CE_None) {
        return false;
    }
    std::unordered_set<std::uint32_t> colours;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        if (rgba[i + 3] != 0) {
            colours.insert(rgba[i] | rgba[i + 1] << 8 | std::uint32_t(rgba[i + 2]) << 16);
            if (colours.size() > 256) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool ParseResampling(const std::string& name, Resampling* r) {
    for (const auto& [text, value] : kResamplings) {
        if (name == text) {
            *r = value;
            return true;
        }
    }
    return false;
}

const char* ResamplingName(Resampling r) {
    for (const auto& [text, value] : kResamplings) {
        if (value == r) {
            return text;
        }
    }
    return "?";
}

MapRaster::MapRaster(const std::vector<SourceImage>& sources, const MapGrid& grid,
                     Resampling resampling)
    : grid_(grid) {
    for (const SourceImage& s : sources) {
        sources_.push_back(s.rgba.get());
    }
    // Every input is RGBA; its alpha (its nodata and transparency) decides
    // where it covers the inputs before it. 64 MiB of warp memory per chunk.
    arguments_ = {"-r", ResamplingName(resampling), "-srcalpha", "-dstalpha", "-wm", "64"};
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    window_[0] = GetRValue(window);
    window_[1] = GetGValue(window);
    window_[2] = GetBValue(window);
}

bool MapRaster::read(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                     std::uint8_t* rgba, std::string* error) {
    std::memset(rgba, 0, std::size_t(width) * height * 4);
    Dataset window = windowDataset(grid_, x, y, width, height, rgba);
    if (!window) {
        *error = "cannot make a window of the map in memory" + LastGdalError();
        return false;
    }
    std::vector<char*> argv;
    for (std::string& a : arguments_) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv.data(), nullptr);
    CPLErrorReset();
    int usageError = FALSE;
    GDALDatasetH done = GDALWarp(nullptr, window.get(), int(sources_.size()), sources_.data(),
                                 options, &usageError);
    GDALWarpAppOptionsFree(options);
    if (done == nullptr) {
        *error = "cannot warp the images" + LastGdalError();
        return false;
    }
    window.reset();
    composeOver(window_, rgba, std::size_t(width) * height);
    return true;
}

bool HasFewColours(const std::vector<SourceImage>& sources) {
    for (const SourceImage& s : sources) {
        if (!s.fewColours && !fewColoursInFirstRows(s)) {
            return false;
        }
    }
    return true;
}

} // namespace mapcut
