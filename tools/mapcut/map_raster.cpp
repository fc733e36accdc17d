#include "map_raster.h"

#include "platform/drawing/gdi.h"

#include <algorithm>
#include <cmath>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cstdio>
#include <cstring>
#include <gdal_alg.h>
#include <gdalwarper.h>
#include <unordered_set>

namespace mapcut {

namespace {

const std::pair<const char*, Resampling> kResamplings[] = {
    {"near", Resampling::Nearest},      {"mode", Resampling::Mode},
    {"bilinear", Resampling::Bilinear}, {"cubic", Resampling::Cubic},
    {"lanczos", Resampling::Lanczos},   {"average", Resampling::Average},
};

int resamplingAlgorithm(Resampling r) {
    switch (r) {
    case Resampling::Nearest:
        return GRA_NearestNeighbour;
    case Resampling::Mode:
        return GRA_Mode;
    case Resampling::Bilinear:
        return GRA_Bilinear;
    case Resampling::Cubic:
        return GRA_Cubic;
    case Resampling::Lanczos:
        return GRA_Lanczos;
    case Resampling::Average:
        return GRA_Average;
    }
    return GRA_NearestNeighbour;
}

// The input warped onto the whole grid as a virtual dataset: GDAL warps the
// blocks a read touches, with an approximate transformer (an eighth of a
// pixel, as gdalwarp does) and the warper's threads.
Dataset warpedView(const SourceImage& s, const MapGrid& grid, Resampling resampling,
                   std::string* error) {
    const std::string dst = "DST_SRS=" + SpatialRefWkt(grid.srs.get());
    const char* transformerOptions[] = {dst.c_str(), nullptr};
    void* exact = GDALCreateGenImgProjTransformer2(s.rgba.get(), nullptr,
                                                   const_cast<char**>(transformerOptions));
    if (exact == nullptr) {
        *error = s.name + ": cannot be placed in longitude/latitude" + LastGdalError();
        return nullptr;
    }
    double gt[6] = {grid.left, grid.xscale, 0, grid.top, 0, grid.yscale};
    GDALSetGenImgProjTransformerDstGeoTransform(exact, gt);
    GDALWarpOptions* wo = GDALCreateWarpOptions();
    wo->hSrcDS = s.rgba.get();
    wo->eResampleAlg = GDALResampleAlg(resamplingAlgorithm(resampling));
    wo->eWorkingDataType = GDT_Byte;
    wo->nBandCount = 3;
    wo->panSrcBands = static_cast<int*>(CPLMalloc(3 * sizeof(int)));
    wo->panDstBands = static_cast<int*>(CPLMalloc(3 * sizeof(int)));
    for (int b = 0; b < 3; ++b) {
        wo->panSrcBands[b] = wo->panDstBands[b] = b + 1;
    }
    wo->nSrcAlphaBand = s.hasAlpha ? 4 : 0;
    wo->nDstAlphaBand = 4;
    wo->dfWarpMemoryLimit = 64.0 * 1024 * 1024;
    wo->papszWarpOptions = CSLSetNameValue(wo->papszWarpOptions, "INIT_DEST", "0");
    wo->pTransformerArg = GDALCreateApproxTransformer(GDALGenImgProjTransform, exact, 0.125);
    GDALApproxTransformerOwnsSubtransformer(wo->pTransformerArg, TRUE);
    wo->pfnTransformer = GDALApproxTransform;
    Dataset view(GDALCreateWarpedVRT(s.rgba.get(), int(grid.width), int(grid.height), gt, wo));
    GDALDestroyWarpOptions(wo);
    if (!view) {
        *error = s.name + ": cannot be warped" + LastGdalError();
    }
    return view;
}

// Straight (not premultiplied) alpha, as the warper leaves it.
void composeOver(const std::uint8_t* from, std::uint8_t* onto, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, from += 4, onto += 4) {
        const unsigned a = from[3];
        if (a == 255) {
            std::memcpy(onto, from, 3);
        } else if (a != 0) {
            for (int c = 0; c < 3; ++c) {
                onto[c] = std::uint8_t((from[c] * a + onto[c] * (255 - a) + 127) / 255);
            }
        }
    }
}

bool fewColoursInFirstRows(const SourceImage& s) {
    const int width = std::min(s.width, 2048), height = std::min(s.height, 512);
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    int bands[] = {1, 2, 3, 4};
    if (GDALDatasetRasterIO(s.rgba.get(), GF_Read, 0, 0, width, height, rgba.data(), width, height,
                            GDT_Byte, s.hasAlpha ? 4 : 3, bands, 4, width * 4, 1) != CE_None) {
        return false;
    }
    for (std::size_t i = 3; !s.hasAlpha && i < rgba.size(); i += 4) {
        rgba[i] = 255;
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

bool MapRaster::open(const std::vector<SourceImage>& sources, const MapGrid& grid,
                     Resampling resampling, std::string* error) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    window_[0] = GetRValue(window);
    window_[1] = GetGValue(window);
    window_[2] = GetBValue(window);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const SourceImage& s = sources[i];
        const Bounds& f = grid.footprints[i].bounds;
        Layer layer;
        layer.bands = s.hasAlpha ? 4 : 3;
        // The footprint in grid pixels, with a margin for the resampling kernel.
        layer.x0 = std::max(0LL, (long long)std::floor((f.left - grid.left) / grid.xscale) - 4);
        layer.x1 = std::min((long long)grid.width,
                            (long long)std::ceil((f.right - grid.left) / grid.xscale) + 4);
        layer.y0 = std::max(0LL, (long long)std::floor((f.top - grid.top) / grid.yscale) - 4);
        layer.y1 = std::min((long long)grid.height,
                            (long long)std::ceil((f.bottom - grid.top) / grid.yscale) + 4);
        if (sources.size() == 1 && grid.onSourceGrid) {
            // Its pixels are the grid's: copied, not warped.
            layer.direct = s.rgba.get();
            layer.column = std::llround((s.geoTransform[0] - grid.left) / grid.xscale);
            layer.row = std::llround((s.geoTransform[3] - grid.top) / grid.yscale);
            layer.x0 = std::max(0LL, layer.column);
            layer.y0 = std::max(0LL, layer.row);
            layer.x1 = std::min((long long)grid.width, layer.column + s.width);
            layer.y1 = std::min((long long)grid.height, layer.row + s.height);
        } else {
            layer.direct = nullptr;
            layer.warped = warpedView(s, grid, resampling, error);
            if (!layer.warped) {
                return false;
            }
        }
        layers_.push_back(std::move(layer));
    }
    return true;
}

bool MapRaster::read(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                     std::uint8_t* rgba, std::string* error) {
    const std::size_t pixels = std::size_t(width) * height;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(rgba + 4 * i, window_, 3);
        rgba[4 * i + 3] = 255;
    }
    scratch_.resize(pixels * 4);
    CPLErrorReset();
    for (const Layer& layer : layers_) {
        const long long x0 = std::max<long long>(x, layer.x0),
                        y0 = std::max<long long>(y, layer.y0);
        const long long x1 = std::min<long long>(x + width, layer.x1);
        const long long y1 = std::min<long long>(y + height, layer.y1);
        if (x0 >= x1 || y0 >= y1) {
            continue;
        }
        if (!readLayer(layer, x0, y0, x1, y1, x, y, width, error)) {
            return false;
        }
        for (long long row = y0; row < y1; ++row) {
            const std::size_t at = (std::size_t(row - y) * width + std::size_t(x0 - x)) * 4;
            composeOver(scratch_.data() + at, rgba + at, std::size_t(x1 - x0));
        }
    }
    return true;
}

// Reads the layer's pixels of grid columns x0..x1 and rows y0..y1 into the
// scratch buffer, laid out as the window at (x, y) of `width` pixels.
bool MapRaster::readLayer(const Layer& layer, long long x0, long long y0, long long x1,
                          long long y1, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                          std::string* error) {
    std::uint8_t* first = scratch_.data() + (std::size_t(y0 - y) * width + std::size_t(x0 - x)) * 4;
    const int w = int(x1 - x0), h = int(y1 - y0);
    int bands[] = {1, 2, 3, 4};
    const CPLErr result =
        layer.direct != nullptr
            ? GDALDatasetRasterIO(layer.direct, GF_Read, int(x0 - layer.column),
                                  int(y0 - layer.row), w, h, first, w, h, GDT_Byte, layer.bands,
                                  bands, 4, int(width) * 4, 1)
            : GDALDatasetRasterIO(layer.warped.get(), GF_Read, int(x0), int(y0), w, h, first, w, h,
                                  GDT_Byte, 4, bands, 4, int(width) * 4, 1);
    if (result != CE_None) {
        *error = "cannot read the images" + LastGdalError();
        return false;
    }
    if (layer.direct != nullptr && layer.bands == 3) {
        for (int row = 0; row < h; ++row) {
            for (int i = 0; i < w; ++i) {
                first[std::size_t(row) * width * 4 + std::size_t(i) * 4 + 3] = 255;
            }
        }
    }
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
