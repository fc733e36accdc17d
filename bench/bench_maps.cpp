#include "bench_maps.h"

#include "package_writer.h"
#include "tile_encoder.h"

#include "core/utf8.h"

#include "map/map_package.h"

#include "platform/system/kernel.h"

#include <QImage>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace bench {

namespace {

struct Folder {
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarvo-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

void putWord(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

} // namespace

const std::string& WorkDir() {
    static Folder folder;
    return folder.path;
}

std::string SampleMapPrefix() {
    return TARVO_BINARY_DIR "/map";
}

std::string TableOnlyMap(std::uint32_t tiles, std::uint32_t bytesPerTile) {
    std::uint32_t columns = std::uint32_t(std::ceil(std::sqrt(double(tiles))));
    while (tiles % columns != 0) {
        ++columns;
    }
    const std::uint32_t rows = tiles / columns;
    const std::string prefix =
        WorkDir() + "/table-" + std::to_string(tiles) + "-" + std::to_string(bytesPerTile);
    std::string error;
    check(mapcut::WriteZipArchive(
              prefix + ".dt1",
              {{"desc.txt", mapcut::FormatDescription(columns * 256, rows * 256, {0, 10, 10, 0})}},
              &error),
          error);
    std::FILE* f = std::fopen((prefix + ".dt2").c_str(), "wb");
    check(f != nullptr, "cannot create " + prefix + ".dt2");
    putWord(f, tiles);
    const std::uint64_t dataStart = 4 + 4 * (std::uint64_t(tiles) + 1);
    for (std::uint64_t i = 0; i <= tiles; ++i) {
        putWord(f, std::uint32_t(dataStart + i * bytesPerTile));
    }
    std::fflush(f);
    check(ftruncate(fileno(f), off_t(dataStart + std::uint64_t(tiles) * bytesPerTile)) == 0,
          "ftruncate");
    std::fclose(f);
    return prefix;
}

std::string SampleTilesMap(mapcut::TileFormat format) {
    static std::map<mapcut::TileFormat, std::string> made;
    if (auto it = made.find(format); it != made.end()) {
        return it->second;
    }
    MapPackage sample(core::FromUtf8(SampleMapPrefix()).c_str());
    check(sample.isOpen(), "the sample map: " + sample.errorText());
    mapcut::EncoderOptions options;
    options.format = format;
    std::vector<std::string> tiles;
    std::string error;
    // Columns 4..11 of rows 4..7: the busiest part of the map, around Kyiv.
    for (std::uint32_t row = 4; row < 8; ++row) {
        for (std::uint32_t col = 4; col < 12; ++col) {
            std::uint32_t n = TileNumber(sample.desc, col, row);
            std::string bytes = TileBytes(SampleMapPrefix(), n);
            QImage rgba =
                QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()))
                    .convertToFormat(QImage::Format_RGBA8888);
            std::string encoded;
            check(mapcut::EncodeTile(rgba.constBits(), 256, options, &encoded, &error), error);
            tiles.push_back(encoded);
        }
    }
    // 16 x 16 tiles, the 32 encodings repeated: cycling through 256 tiles
    // with a cache of 21 misses on every call.
    std::vector<std::string> package;
    for (std::size_t n = 0; n < 256; ++n) {
        package.push_back(tiles[n % tiles.size()]);
    }
    const std::string prefix = WorkDir() + "/sample-" + mapcut::TileFormatName(format);
    check(mapcut::WriteZipArchive(
              prefix + ".dt1", {{"desc.txt", mapcut::FormatDescription(4096, 4096, {0, 1, 2, 0})}},
              &error) &&
              mapcut::WriteTileFile(prefix + ".dt2", package, &error),
          error);
    made[format] = prefix;
    return prefix;
}

namespace {

// Tile n of the large map: one of the 32 sample tiles, mirrored, its
// channels permuted and a little noise of its own added, so that no two
// tiles have the same bytes (a store keyed by the bytes gains nothing).
std::string distinctTile(const std::string& base, std::uint32_t n) {
    QImage rgba = QImage::fromData(reinterpret_cast<const uchar*>(base.data()), int(base.size()))
                      .convertToFormat(QImage::Format_RGBA8888)
                      .mirrored((n / 32) % 2 == 1, (n / 64) % 2 == 1);
    static const int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                      {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    const int* order = kOrders[(n / 128) % 6];
    std::uint32_t noise = n * 2654435761u + 1;
    for (int y = 0; y < rgba.height(); ++y) {
        uchar* p = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, p += 4) {
            noise = noise * 1664525u + 1013904223u;
            const int d = int(noise >> 29) - 4; // -4..3
            const uchar c[3] = {p[order[0]], p[order[1]], p[order[2]]};
            for (int k = 0; k < 3; ++k) {
                p[k] = uchar(std::clamp(c[k] + d, 0, 255));
            }
        }
    }
    mapcut::EncoderOptions options;
    options.format = mapcut::TileFormat::Jpeg;
    std::string encoded, error;
    check(mapcut::EncodeTile(rgba.constBits(), 256, options, &encoded, &error), error);
    return encoded;
}

} // namespace

std::string LargeJpegMap() {
    // Made once and kept beside the build (4,096 JPEG encodings take a few
    // seconds); a map half written is never taken, for it is renamed last.
    const std::string folder = TARVO_BINARY_DIR "/bench-maps";
    const std::string prefix = folder + "/large-distinct-jpeg-v1";
    if (std::filesystem::exists(prefix + ".dt1") && std::filesystem::exists(prefix + ".dt2")) {
        return prefix;
    }
    std::filesystem::create_directories(folder);
    const std::string small = SampleTilesMap(mapcut::TileFormat::Png);
    std::vector<std::string> bases;
    for (std::uint32_t n = 1; n <= 32; ++n) {
        bases.push_back(TileBytes(small, n));
    }
    std::vector<std::string> package(64 * 64);
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t n = next++; n < package.size(); n = next++) {
            package[n] = distinctTile(bases[(n + n / 64) % bases.size()], std::uint32_t(n));
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& t : threads) {
        t.join();
    }
    std::string error;
    const std::string part = prefix + ".part";
    check(mapcut::WriteTileFile(part + ".dt2", package, &error) &&
              mapcut::WriteZipArchive(
                  part + ".dt1",
                  {{"desc.txt", mapcut::FormatDescription(16384, 16384, {28, 52, 34, 48})}},
                  &error),
          error);
    std::filesystem::rename(part + ".dt2", prefix + ".dt2");
    std::filesystem::rename(part + ".dt1", prefix + ".dt1");
    return prefix;
}

std::string TileBytes(const std::string& prefix, std::uint32_t n) {
    MapPackage map(core::FromUtf8(prefix).c_str());
    check(map.isOpen(), prefix + ": " + map.errorText());
    std::ifstream in(prefix + ".dt2", std::ios::binary);
    in.seekg(map.tileOffset(n));
    std::string bytes(std::size_t(map.tileLength(n)), '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    return bytes;
}

} // namespace bench
