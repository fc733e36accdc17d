#include "tile_layout.h"

#include "core/view_geometry.h"

#include <cmath>

namespace {

bool fitsInt32(float v) {
    return v >= -2147483648.0f && v < 2147483648.0f;
}

} // namespace

std::optional<TileGrid> ComputeTileGrid(const TMapDesc& desc, float lon, float lat, int width,
                                        int height, float zoom) {
    if (!std::isfinite(zoom) || !(zoom > 0)) {
        return std::nullopt;
    }
    double side = 256.0 * zoom;
    if (side < 1 || side > kMaxTileSize) {
        return std::nullopt;
    }
    const int T = int(side);
    const float viewLeft = ViewEdge(lon, width, desc.xscale, zoom);
    const float viewTop = ViewEdge(lat, height, desc.yscale, zoom);
    const float fx = PixelsForDegrees(viewLeft - desc.left, desc.xscale, zoom);
    const float fy = PixelsForDegrees(viewTop - desc.top, desc.yscale, zoom);
    if (!fitsInt32(fx) || !fitsInt32(fy)) {
        return std::nullopt;
    }
    const int px = int(fx);
    const int py = int(fy);

    TileGrid g{T, px / T, py / T, -(px % T), -(py % T)};
    if (px < 0) {
        g.col0 -= 1;
        g.x0 -= T;
    }
    if (py < 0) {
        g.row0 -= 1;
        g.y0 -= T;
    }
    return g;
}
