// The one map the viewer shows: PREFIX.dt1 (a zip archive holding desc.txt)
// and PREFIX.dt2 (the tile table and the encoded 256 x 256 tiles).
#pragma once

#include "composed_view.h"
#include "decode_ahead.h"
#include "map_desc.h"
#include "tile_cache.h"
#include "tile_layout.h"

#include "platform/drawing/gdi.h"
#include "platform/drawing/imaging.h"
#include "platform/system/types.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unzip.h>
#include <vector>

class MapPackage {
public:
    // Opens the map. Whether that worked, and if not why, is told by isOpen()
    // and errorText(); a package that failed to open holds nothing it could
    // not read, and draws only the window colour.
    explicit MapPackage(LPCWSTR prefix);
    ~MapPackage();
    MapPackage(const MapPackage&) = delete;
    MapPackage& operator=(const MapPackage&) = delete;

    bool isOpen() const { return open_; }
    // One line naming the file and the fault, e.g. "map.dt1: desc.txt not
    // found"; empty while the package is open.
    const std::string& errorText() const { return error_; }

    // Covers the rectangle with the tiles around (lon, lat) at the zoom.
    // Cells without a tile are filled with the window colour. The view is
    // kept as drawn: drawing the same view again copies it.
    void draw(HDC dc, float lon, float lat, const RECT& rect, float zoom);

    // The decoded image of tile n (1 <= n <= tileCount()), decoding it on a
    // miss. Null when the tile is empty or does not decode. The image is
    // borrowed: it stays valid until the next call that has to decode.
    IImage* getTileImage(std::uint32_t n);

    // A cell smaller than the tile shows it as a thumbnail of its own size,
    // kept in the cache in the tile's place: a zoomed-out view shows many
    // small tiles, and shrinking each on every paint would cost more than
    // decoding it; made once, the thumbnail is reduced where it is decoded,
    // on any core.
    static constexpr int kLargestThumbnail = int(kTileSide) / 2;

    std::uint32_t tileCount() const;
    // Where tile n's bytes lie in map.dt2, and how many there are.
    std::int32_t tileOffset(std::uint32_t n) const { return offsets[n - 1]; }
    std::int32_t tileLength(std::uint32_t n) const { return offsets[n] - offsets[n - 1]; }
    const TileCache& tileCache() const { return cache; }
    // How many tiles were read and decoded so far (cache misses).
    std::uint64_t decodeCount() const { return decodes_; }
    // Tile n's encoded bytes as they stand in map.dt2; empty when they cannot
    // be read.
    std::vector<std::uint8_t> tileBytes(std::uint32_t n);

    TMapDesc desc;

private:
    bool openFiles(const std::u16string& prefix);
    bool readDescription(unzFile zip, const std::u16string& path);
    bool openTileFile(const std::u16string& path);
    bool createDecoder();
    bool fail(const std::u16string& path, const std::string& reason);
    void close();

    void trimCache();
    void clearCache();
    IImage* tileImage(std::uint32_t n, std::uint32_t side, int drawn);
    IImage* decodeTile(std::uint32_t n, std::uint32_t side, int drawn);
    TileSource sourceOf(std::uint32_t n) const;
    static std::uint32_t sideFor(int tileSize);
    bool cellTile(int col, int row, std::uint32_t* n) const; // false outside the map
    void drawCells(HDC dc, const RECT& rect, const TileGrid& grid);
    void decodeMissesAhead(const RECT& rect, const TileGrid& grid);
    void drawTile(HDC dc, const RECT& rect, int tileSize, int col, int row, int x, int y);

    std::vector<std::int32_t> offsets;
    std::FILE* tileFile = nullptr;
    TileCache cache;
    ComposedView composed_;
    DecodeAhead ahead_;
    unzFile archive = nullptr;
    IImagingFactory* factory = nullptr;

    std::uint64_t decodes_ = 0;
    bool comInitialised_ = false;
    bool open_ = false;
    std::string error_;
};
