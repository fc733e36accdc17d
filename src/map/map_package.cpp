#include "map_package.h"

#include "desc_archive.h"
#include "tile_table.h"

#include "core/utf8.h"

#include "platform/system/files.h"
#include "platform/system/kernel.h"
#include "platform/telephony/com.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace {

constexpr std::size_t kMaxPathUnits = 255;

HBRUSH windowBrush() {
    return reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1));
}

std::string fileName(const std::u16string& path) {
    std::size_t slash = path.find_last_of(u'/');
    return core::ToUtf8(slash == std::u16string::npos ? path : path.substr(slash + 1));
}

// The tile-count assertion of the package, in the debug output's format.
void reportCountMismatch() {
    OutputDebugStringW(u"\r\n*** ASSERTION FAILED in .\\tarvo(81):\r\n"
                       u"d==desc.xtiles*desc.ytiles\r\n");
}

} // namespace

MapPackage::MapPackage(LPCWSTR prefix) {
    open_ = openFiles(prefix != nullptr ? std::u16string(prefix) : std::u16string());
    if (!open_) {
        close();
        desc = TMapDesc{};
    }
}

MapPackage::~MapPackage() {
    close();
}

bool MapPackage::fail(const std::u16string& path, const std::string& reason) {
    error_ = fileName(path) + ": " + reason;
    return false;
}

bool MapPackage::openFiles(const std::u16string& prefix) {
    const std::u16string dt1 = prefix + u".dt1";
    if (dt1.size() > kMaxPathUnits) {
        return fail(dt1, "the path is longer than 255 characters");
    }
    std::string reason;
    archive = OpenMapArchive(core::ToUtf8(dt1), &reason);
    if (archive == nullptr) {
        return fail(dt1, reason);
    }
    if (!readDescription(archive, dt1)) {
        return false;
    }
    return openTileFile(prefix + u".dt2") && createDecoder();
}

bool MapPackage::readDescription(unzFile zip, const std::u16string& path) {
    std::string text, reason;
    if (!ReadDescriptionMember(zip, &text, &reason)) {
        return fail(path, reason);
    }
    desc = ParseMapDescription(text);
    reason = CheckMapDescription(desc);
    return reason.empty() || fail(path, reason);
}

bool MapPackage::openTileFile(const std::u16string& path) {
    char ansiPath[kMaxPathUnits + 1];
    int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansiPath, sizeof ansiPath,
                                     nullptr, nullptr);
    if (length == 0) {
        return fail(path, "the path is longer than 255 bytes");
    }
    std::string reason;
    tileFile = platform::OpenRegularFile(ansiPath, &reason);
    struct stat st {};
    if (tileFile == nullptr) {
        return fail(path, reason);
    }
    if (fstat(fileno(tileFile), &st) != 0) {
        return fail(path, std::string("cannot open (") + std::strerror(errno) + ")");
    }
    const auto fileSize = std::uint64_t(st.st_size);
    std::uint32_t count = 0;
    if (!ReadTileCount(tileFile, fileSize, &count, &reason)) {
        return fail(path, reason);
    }
    const std::uint64_t expected = std::uint64_t(desc.xtiles) * desc.ytiles;
    if (count != expected) {
        reportCountMismatch();
        return fail(path, std::to_string(count) + " tiles, but desc.txt describes " +
                              std::to_string(desc.xtiles) + " x " + std::to_string(desc.ytiles));
    }
    if (!ReadTileOffsets(tileFile, fileSize, count, &offsets, &reason)) {
        return fail(path, reason);
    }
    return true;
}

bool MapPackage::createDecoder() {
    comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    HRESULT hr = CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IImagingFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || factory == nullptr) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", unsigned(hr));
        error_ = std::string("imaging: the tile decoder cannot be created (") + code + ")";
        factory = nullptr;
        return false;
    }
    return true;
}

void MapPackage::close() {
    ahead_.finish();
    composed_.clear();
    clearCache();
    if (archive != nullptr) {
        unzClose(archive);
        archive = nullptr;
    }
    if (tileFile != nullptr) {
        std::fclose(tileFile);
        tileFile = nullptr;
    }
    offsets.clear();
    offsets.shrink_to_fit();
    if (factory != nullptr) {
        factory->Release();
        factory = nullptr;
    }
    if (comInitialised_) {
        CoUninitialize();
        comInitialised_ = false;
    }
    open_ = false;
}

std::uint32_t MapPackage::tileCount() const {
    return offsets.empty() ? 0 : std::uint32_t(offsets.size() - 1);
}

void MapPackage::trimCache() {
    cache.trim();
}

void MapPackage::clearCache() {
    cache.clear();
}

IImage* MapPackage::getTileImage(std::uint32_t n) {
    return tileImage(n, 0, int(kTileSide));
}

// A tile is cached in one size, the one it was last drawn at (the tile's
// own, or a thumbnail's); another size decodes it again in its place.
IImage* MapPackage::tileImage(std::uint32_t n, std::uint32_t side, int drawn) {
    if (!open_ || n < 1 || n > tileCount()) {
        return nullptr;
    }
    const TMapTileCacheItem* hit = cache.find(n);
    if (hit != nullptr && hit->side == side) {
        return hit->image;
    }
    // An empty tile has nothing to read or decode, and caching it would
    // only push a real tile out.
    if (tileLength(n) == 0) {
        return nullptr;
    }
    // Every decode makes room first, one that replaces a tile's other size
    // too (the tile itself may be the one to go).
    trimCache();
    IImage* image = decodeTile(n, side, drawn);
    // A tile that cannot be read or decoded is cached without an image, so
    // that a damaged tile is not read again on every paint.
    cache.replace(n, TMapTileCacheItem{GetTickCount(), image, side});
    return image;
}

IImage* MapPackage::decodeTile(std::uint32_t n, std::uint32_t side, int drawn) {
    ++decodes_;
    IImage* image = nullptr;
    if (ahead_.take(n, side, &image)) {
        return image;
    }
    return DecodeTile(factory, sourceOf(n), side, drawn);
}

TileSource MapPackage::sourceOf(std::uint32_t n) const {
    return TileSource{fileno(tileFile), tileOffset(n), std::size_t(tileLength(n))};
}

std::vector<std::uint8_t> MapPackage::tileBytes(std::uint32_t n) {
    if (!open_ || n < 1 || n > tileCount()) {
        return {};
    }
    std::vector<std::uint8_t> bytes(std::size_t(tileLength(n)));
    return ReadTileBytes(sourceOf(n), bytes.data()) ? bytes : std::vector<std::uint8_t>();
}

void MapPackage::draw(HDC dc, float lon, float lat, const RECT& rect, float zoom) {
    const std::int64_t width = std::int64_t(rect.right) - rect.left;
    const std::int64_t height = std::int64_t(rect.bottom) - rect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    std::optional<TileGrid> grid;
    if (open_ && width <= INT32_MAX && height <= INT32_MAX) {
        grid = ComputeTileGrid(desc, lon, lat, int(width), int(height), zoom);
    }
    // Every cell's corners must be representable: the last cell ends at most
    // T past the rectangle, the first starts at most 2T before it.
    if (!grid || std::int64_t(rect.right) + grid->tileSize > INT32_MAX ||
        std::int64_t(rect.bottom) + grid->tileSize > INT32_MAX ||
        std::int64_t(rect.left) - 2 * std::int64_t(grid->tileSize) < INT32_MIN ||
        std::int64_t(rect.top) - 2 * std::int64_t(grid->tileSize) < INT32_MIN) {
        FillRect(dc, &rect, windowBrush());
        return;
    }
    // The cache holds what this view shows, at this zoom, and a ring more.
    cache.setCapacity(
        std::min<std::size_t>(TileCache::CapacityForView(int(width), int(height), zoom),
                              std::max<std::size_t>(TileCache::kMaxEntries, tileCount())));
    const ViewKey key{lon, lat, zoom, int(width), int(height)};
    if (composed_.holds(key)) {
        composed_.copyTo(dc, rect);
        return;
    }
    HDC view = composed_.begin(key);
    if (view == nullptr) {
        drawCells(dc, rect, *grid); // no memory for the view's image: straight to the screen
        return;
    }
    drawCells(view, RECT{0, 0, int(width), int(height)}, *grid);
    composed_.finish();
    composed_.copyTo(dc, rect);
}

// The first and last cells reach past the rectangle; what lies outside it
// is not ours to paint.
void MapPackage::drawCells(HDC dc, const RECT& rect, const TileGrid& grid) {
    decodeMissesAhead(rect, grid);
    SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    const std::int64_t width = std::int64_t(rect.right) - rect.left;
    const std::int64_t height = std::int64_t(rect.bottom) - rect.top;
    const int T = grid.tileSize;
    int row = grid.row0;
    for (std::int64_t y = grid.y0; y < height; y += T, ++row) {
        int col = grid.col0;
        for (std::int64_t x = grid.x0; x < width; x += T, ++col) {
            drawTile(dc, rect, T, col, row, int(x), int(y));
        }
    }
    RestoreDC(dc, -1);
    ahead_.finish();
}

// The tiles of the view the cache does not hold at the size drawn, given
// to the helpers before the cells are drawn one by one.
void MapPackage::decodeMissesAhead(const RECT& rect, const TileGrid& grid) {
    HelperThreads& helpers = HelperThreads::Instance();
    if (helpers.count() == 0) {
        return;
    }
    const std::int64_t width = std::int64_t(rect.right) - rect.left;
    const std::int64_t height = std::int64_t(rect.bottom) - rect.top;
    const std::uint32_t side = sideFor(grid.tileSize);
    std::vector<DecodeAhead::Job> jobs;
    int row = grid.row0;
    for (std::int64_t y = grid.y0; y < height; y += grid.tileSize, ++row) {
        int col = grid.col0;
        for (std::int64_t x = grid.x0; x < width; x += grid.tileSize, ++col) {
            std::uint32_t n = 0;
            if (!cellTile(col, row, &n) || tileLength(n) == 0) {
                continue;
            }
            const TMapTileCacheItem* hit = cache.find(n);
            if (hit == nullptr || hit->side != side) {
                jobs.push_back({n, side, grid.tileSize, sourceOf(n)});
            }
        }
    }
    ahead_.start(factory, std::move(jobs), helpers);
}

std::uint32_t MapPackage::sideFor(int tileSize) {
    return std::uint32_t(tileSize <= kLargestThumbnail ? tileSize : 0);
}

bool MapPackage::cellTile(int col, int row, std::uint32_t* n) const {
    if (col < 0 || row < 0 || std::uint32_t(col) >= desc.xtiles ||
        std::uint32_t(row) >= desc.ytiles) {
        return false;
    }
    *n = TileNumber(desc, std::uint32_t(col), std::uint32_t(row));
    return true;
}

void MapPackage::drawTile(HDC dc, const RECT& rect, int tileSize, int col, int row, int x, int y) {
    const RECT cell{rect.left + x, rect.top + y, rect.left + x + tileSize, rect.top + y + tileSize};
    IImage* image = nullptr;
    std::uint32_t n = 0;
    if (cellTile(col, row, &n)) {
        image = tileImage(n, sideFor(tileSize), tileSize);
    }
    if (image != nullptr) {
        image->Draw(dc, &cell, nullptr);
    } else {
        FillRect(dc, &cell, windowBrush());
    }
}
