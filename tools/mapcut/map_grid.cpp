#include "map_grid.h"

#include "core/map_limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gdal_alg.h>
#include <vector>

namespace mapcut {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Transformer {
    void* arg = nullptr;
    ~Transformer() {
        if (arg != nullptr) {
            GDALDestroyGenImgProjTransformer(arg);
        }
    }
};

bool sameGeographicSystem(OGRSpatialReferenceH a, OGRSpatialReferenceH b) {
    return OSRIsSameGeogCS(a, b) != 0;
}

// The side of the input's centre pixel on the ground, from where its centre
// pixel's corners land: the square root of the area they span.
double centreMetresPerPixel(const SourceImage& s, void* transform) {
    const double cx = s.width / 2.0, cy = s.height / 2.0;
    double x[3] = {cx, cx + 1, cx}, y[3] = {cy, cy, cy + 1}, z[3] = {};
    int ok[3] = {};
    GDALGenImgProjTransform(transform, FALSE, 3, x, y, z, ok);
    if (!ok[0] || !ok[1] || !ok[2]) {
        return 0;
    }
    const double c = std::cos(y[0] * kPi / 180);
    const double ax = (x[1] - x[0]) * c, ay = y[1] - y[0];
    const double bx = (x[2] - x[0]) * c, by = y[2] - y[0];
    return std::sqrt(std::fabs(ax * by - ay * bx)) * kMetresPerDegree;
}

// The outer edges in longitude/latitude: where points along the image's four
// edges land (an image's extreme points lie on its outline).
bool edgeBounds(const SourceImage& s, void* transform, Bounds* b) {
    constexpr int kSteps = 64;
    std::vector<double> x, y;
    for (int i = 0; i <= kSteps; ++i) {
        const double u = double(s.width) * i / kSteps, v = double(s.height) * i / kSteps;
        x.insert(x.end(), {u, u, 0.0, double(s.width)});
        y.insert(y.end(), {0.0, double(s.height), v, v});
    }
    std::vector<double> z(x.size());
    std::vector<int> ok(x.size());
    GDALGenImgProjTransform(transform, FALSE, int(x.size()), x.data(), y.data(), z.data(),
                            ok.data());
    *b = {HUGE_VAL, -HUGE_VAL, -HUGE_VAL, HUGE_VAL};
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!ok[i] || !std::isfinite(x[i]) || !std::isfinite(y[i])) {
            return false;
        }
        b->left = std::min(b->left, x[i]);
        b->right = std::max(b->right, x[i]);
        b->top = std::max(b->top, y[i]);
        b->bottom = std::min(b->bottom, y[i]);
    }
    return b->left < b->right && b->bottom < b->top;
}

bool footprint(const SourceImage& s, const std::string& gridWkt, Footprint* f, std::string* error) {
    const char* options[] = {nullptr, nullptr};
    const std::string dst = "DST_SRS=" + gridWkt;
    options[0] = dst.c_str();
    Transformer t;
    t.arg = GDALCreateGenImgProjTransformer2(s.rgba.get(), nullptr, const_cast<char**>(options));
    if (t.arg == nullptr || !edgeBounds(s, t.arg, &f->bounds)) {
        *error = s.name + ": cannot be placed in longitude/latitude" + LastGdalError();
        return false;
    }
    f->metresPerPixel = centreMetresPerPixel(s, t.arg);
    if (!(f->metresPerPixel > 0) || !std::isfinite(f->metresPerPixel)) {
        *error = s.name + ": its pixels have no size on the ground";
        return false;
    }
    return true;
}

// Whether the input is already a north-up grid in the grid's system, so that
// its own pixels can be kept.
bool isNorthUpIn(const SourceImage& s, OGRSpatialReferenceH grid) {
    return s.hasGeoTransform && OSRIsGeographic(s.srs.get()) &&
           sameGeographicSystem(s.srs.get(), grid) && s.geoTransform[2] == 0 &&
           s.geoTransform[4] == 0 && s.geoTransform[1] > 0 && s.geoTransform[5] < 0;
}

Bounds unionOf(const std::vector<Footprint>& footprints) {
    Bounds u = footprints.front().bounds;
    for (const Footprint& f : footprints) {
        u.left = std::min(u.left, f.bounds.left);
        u.right = std::max(u.right, f.bounds.right);
        u.top = std::max(u.top, f.bounds.top);
        u.bottom = std::min(u.bottom, f.bounds.bottom);
    }
    return u;
}

bool cropRegion(const Bounds& all, const Bounds& crop, Bounds* region, std::string* error) {
    if (!(crop.left < crop.right) || !(crop.top > crop.bottom)) {
        *error = "--crop takes LEFT TOP RIGHT BOTTOM with LEFT < RIGHT and TOP > BOTTOM";
        return false;
    }
    *region = {std::max(all.left, crop.left), std::min(all.top, crop.top),
               std::min(all.right, crop.right), std::max(all.bottom, crop.bottom)};
    if (!(region->left < region->right) || !(region->top > region->bottom)) {
        *error = "--crop lies outside the images";
        return false;
    }
    return true;
}

// Pixels needed to span `extent` at `scale`, widened to whole tiles; a hair
// of rounding error does not cost a tile.
std::uint64_t wholeTiles(double extent, double scale) {
    const double pixels = std::ceil(extent / scale - 1e-6);
    const std::uint64_t n = std::uint64_t(std::max(1.0, std::min(pixels, 1e12)));
    return (n + kTileSide - 1) / kTileSide * kTileSide;
}

// A calibration gone wrong (control points near a pole, say) can place an
// image beyond the earth; a package of it shows nothing a GPS position
// could reach.
bool onTheEarth(const Bounds& b, std::string* error) {
    constexpr double kSlack = 1e-9;
    if (b.left >= -180 - kSlack && b.right <= 180 + kSlack && b.bottom >= -90 - kSlack &&
        b.top <= 90 + kSlack) {
        return true;
    }
    char text[256];
    std::snprintf(text, sizeof text,
                  "the images reach from longitude %.6g to %.6g and latitude %.6g to %.6g, "
                  "beyond -180..180 and -90..90; check their georeference",
                  b.left, b.right, b.bottom, b.top);
    *error = text;
    return false;
}

// Whole tiles widen the grid right and down; where that would pass 180 or
// -90, the padding moves to the left or top by whole pixels instead.
void keepPaddingOnTheEarth(MapGrid* g) {
    const double right = g->left + g->width * g->xscale;
    if (right > 180) {
        const double shift = std::ceil((right - 180) / g->xscale - 1e-6) * g->xscale;
        g->left = std::max(g->left - shift,
                           g->left - std::floor((g->left + 180) / g->xscale) * g->xscale);
    }
    const double bottom = g->top + g->height * g->yscale;
    if (bottom < -90) {
        const double shift = std::ceil((-90 - bottom) / -g->yscale - 1e-6) * -g->yscale;
        g->top =
            std::min(g->top + shift, g->top + std::floor((90 - g->top) / -g->yscale) * -g->yscale);
    }
}

bool sizeGrid(const Bounds& region, MapGrid* g, std::string* error) {
    const std::uint64_t w = wholeTiles(region.right - g->left, g->xscale);
    const std::uint64_t h = wholeTiles(g->top - region.bottom, -g->yscale);
    const std::uint64_t tiles = (w / kTileSide) * (h / kTileSide);
    if (tiles > kMaxTiles) {
        *error = "the map would be " + std::to_string(w) + " x " + std::to_string(h) + " pixels, " +
                 std::to_string(tiles) + " tiles, more than the " + std::to_string(kMaxTiles) +
                 " a map can have; give a coarser --resolution or a "
                 "smaller --crop";
        return false;
    }
    g->width = std::uint32_t(w);
    g->height = std::uint32_t(h);
    keepPaddingOnTheEarth(g);
    return true;
}

} // namespace

SpatialRef GridSpatialRef(const std::vector<SourceImage>& sources, bool wgs84) {
    SpatialRef grid;
    if (!wgs84 && !sources.empty() && sources.front().srs) {
        grid.reset(OSRCloneGeogCS(sources.front().srs.get()));
        for (const SourceImage& s : sources) {
            if (grid && (!s.srs || !sameGeographicSystem(s.srs.get(), grid.get()))) {
                grid.reset();
            }
        }
    }
    if (!grid) {
        grid.reset(OSRNewSpatialReference(nullptr));
        OSRSetWellKnownGeogCS(grid.get(), "WGS84");
    }
    OSRSetAxisMappingStrategy(grid.get(), OAMS_TRADITIONAL_GIS_ORDER);
    return grid;
}

bool ChooseGrid(const std::vector<SourceImage>& sources, const GridOptions& options, MapGrid* g,
                std::string* error) {
    g->srs = GridSpatialRef(sources, options.wgs84);
    const std::string wkt = SpatialRefWkt(g->srs.get());
    g->footprints.assign(sources.size(), Footprint{});
    std::size_t finest = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!footprint(sources[i], wkt, &g->footprints[i], error)) {
            return false;
        }
        if (g->footprints[i].metresPerPixel < g->footprints[finest].metresPerPixel) {
            finest = i;
        }
    }
    Bounds region = unionOf(g->footprints);
    if (!onTheEarth(region, error)) {
        return false;
    }
    if (options.crop && !cropRegion(region, *options.crop, &region, error)) {
        return false;
    }
    const double centreLatitude = (region.top + region.bottom) / 2;
    const double cosine = std::max(std::cos(centreLatitude * kPi / 180), 1e-6);
    const SourceImage& model = sources[finest];
    g->onSourceGrid = options.metresPerPixel <= 0 && isNorthUpIn(model, g->srs.get());
    if (g->onSourceGrid) {
        // Keep the input's pixels: its scales, and an origin on its grid.
        const double* gt = model.geoTransform;
        g->xscale = gt[1];
        g->yscale = gt[5];
        g->left = gt[0] + std::floor((region.left - gt[0]) / gt[1] + 1e-6) * gt[1];
        g->top = gt[3] + std::floor((region.top - gt[3]) / gt[5] + 1e-6) * gt[5];
    } else {
        const double metres = options.metresPerPixel > 0 ? options.metresPerPixel
                                                         : g->footprints[finest].metresPerPixel;
        g->xscale = metres / (kMetresPerDegree * cosine);
        g->yscale = -metres / kMetresPerDegree;
        g->left = region.left;
        g->top = region.top;
    }
    g->metresPerPixel = g->xscale * kMetresPerDegree * cosine;
    return sizeGrid(region, g, error);
}

} // namespace mapcut
