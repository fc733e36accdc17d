// mapinfo PREFIX: prints the description and tile table of the map package
// PREFIX.dt1 / PREFIX.dt2 and decodes every tile. Exits 0 only when the
// package opens and every non-empty tile decodes.
#include "core/utf8.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/drawing/tile_decoder.h"
#include "platform/system/kernel.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TileStats {
    std::uint32_t empty = 0;
    std::uint32_t smallest = 0; // tile numbers, 0 when there is no non-empty tile
    std::uint32_t largest = 0;
    std::uint64_t bytes = 0;
};

void printDescription(const TMapDesc& d) {
    std::printf("width   %u\nheight  %u\n", d.width, d.height);
    std::printf("left    %.9g\ntop     %.9g\nright   %.9g\nbottom  %.9g\n", d.left, d.top, d.right,
                d.bottom);
    std::printf("xscale  %.9g\nyscale  %.9g\n", d.xscale, d.yscale);
    std::printf("xtiles  %u\nytiles  %u\n", d.xtiles, d.ytiles);
}

TileStats measureTiles(const MapPackage& map) {
    TileStats s;
    for (std::uint32_t n = 1; n <= map.tileCount(); ++n) {
        std::int32_t length = map.tileLength(n);
        s.bytes += std::uint64_t(length);
        if (length == 0) {
            ++s.empty;
            continue;
        }
        if (s.smallest == 0 || length < map.tileLength(s.smallest)) {
            s.smallest = n;
        }
        if (s.largest == 0 || length > map.tileLength(s.largest)) {
            s.largest = n;
        }
    }
    return s;
}

void printTiles(const MapPackage& map, const TileStats& s) {
    std::printf("tiles   %u (%u empty), %llu bytes of tile data\n", map.tileCount(), s.empty,
                static_cast<unsigned long long>(s.bytes));
    if (s.smallest != 0) {
        std::printf("smallest tile %u: %d bytes at %d\n", s.smallest, map.tileLength(s.smallest),
                    map.tileOffset(s.smallest));
        std::printf("largest tile  %u: %d bytes at %d\n", s.largest, map.tileLength(s.largest),
                    map.tileOffset(s.largest));
    }
}

// Decodes every non-empty tile at its full size (drawing it, as images may
// decode when drawn); returns the number of the first that fails, or 0.
std::uint32_t firstBadTile(MapPackage& map) {
    platform::OffscreenDC dc(platform::kMaxTileSide, platform::kMaxTileSide);
    for (std::uint32_t n = 1; n <= map.tileCount(); ++n) {
        if (map.tileLength(n) == 0) {
            continue;
        }
        IImage* image = map.getTileImage(n);
        ImageInfo info{};
        if (image == nullptr || FAILED(image->GetImageInfo(&info))) {
            return n;
        }
        const RECT all{0, 0, LONG(info.Width), LONG(info.Height)};
        if (FAILED(image->Draw(dc.hdc(), &all, nullptr))) {
            return n;
        }
    }
    return 0;
}

// A tile too large to be one is named with its size; any other fault with
// where its bytes lie.
std::string whyTileFails(MapPackage& map, std::uint32_t n) {
    const std::vector<std::uint8_t> bytes = map.tileBytes(n);
    int width = 0, height = 0;
    char text[160];
    if (platform::ReadEncodedImageSize(bytes.data(), bytes.size(), &width, &height) &&
        (width > platform::kMaxTileSide || height > platform::kMaxTileSide)) {
        std::snprintf(text, sizeof text,
                      "tile %u is %d x %d pixels, more than the %d x %d a tile may have", n, width,
                      height, platform::kMaxTileSide, platform::kMaxTileSide);
    } else {
        std::snprintf(text, sizeof text, "tile %u (%d bytes at %d) does not decode", n,
                      map.tileLength(n), map.tileOffset(n));
    }
    return text;
}

// The package's files are named as the package names them in its reasons.
std::string baseName(const std::string& prefix) {
    const auto slash = prefix.find_last_of('/');
    return slash == std::string::npos ? prefix : prefix.substr(slash + 1);
}

} // namespace

const char kUsage[] =
    "usage: mapinfo PREFIX\n"
    "Checks the map package PREFIX.dt1 and PREFIX.dt2: prints the description, the\n"
    "scale and the tile counts, the smallest and largest tile, decodes every tile, and\n"
    "exits 1 with the file and the fault named on any problem.\n";

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    MapPackage map(core::FromUtf8(argv[1]).c_str());
    if (!map.isOpen()) {
        std::fprintf(stderr, "mapinfo: %s\n", map.errorText().c_str());
        return 1;
    }
    printDescription(map.desc);
    TileStats stats = measureTiles(map);
    printTiles(map, stats);
    if (std::uint32_t bad = firstBadTile(map)) {
        std::fprintf(stderr, "mapinfo: %s.dt2: %s\n", baseName(argv[1]).c_str(),
                     whyTileFails(map, bad).c_str());
        return 1;
    }
    std::printf("all %u non-empty tiles decode\n", map.tileCount() - stats.empty);
    return 0;
}
