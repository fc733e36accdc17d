#include "cutter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace mapcut {

namespace {

constexpr std::uint32_t kSide = 256;

void copyTile(const std::uint8_t* band, std::uint32_t width, std::uint32_t col,
              std::uint8_t* tile) {
    for (std::uint32_t y = 0; y < kSide; ++y) {
        std::memcpy(tile + std::size_t(y) * kSide * 4,
                    band + (std::size_t(y) * width + std::size_t(col) * kSide) * 4, kSide * 4);
    }
}

bool writeTiles(ImageSource& image, const std::string& path, const EncoderOptions& options,
                const Progress& progress, std::string* error) {
    const std::uint32_t xtiles = image.width() / kSide;
    const std::uint32_t ytiles = image.height() / kSide;
    const std::uint32_t total = xtiles * ytiles;
    TileFileWriter writer;
    if (!writer.open(path, total, error)) {
        return false;
    }
    std::vector<std::uint8_t> band(std::size_t(image.width()) * kSide * 4);
    std::vector<std::uint8_t> tile(std::size_t(kSide) * kSide * 4);
    std::string encoded;
    for (std::uint32_t row = 0; row < ytiles; ++row) {
        if (!image.readRows(band.data(), kSide, error)) {
            return false;
        }
        for (std::uint32_t col = 0; col < xtiles; ++col) {
            copyTile(band.data(), image.width(), col, tile.data());
            if (!EncodeTile(tile.data(), int(kSide), options, &encoded, error) ||
                !writer.add(encoded, error)) {
                return false;
            }
            if (progress) {
                progress(row * xtiles + col + 1, total);
            }
        }
    }
    return writer.finish(error);
}

bool checkBounds(const Bounds& b, std::string* error) {
    for (double v : {b.left, b.top, b.right, b.bottom}) {
        if (!std::isfinite(v)) {
            *error = "the bounds must be finite numbers";
            return false;
        }
    }
    if (b.left == b.right || b.top == b.bottom) {
        *error = "the bounds enclose no area";
        return false;
    }
    return true;
}

bool commit(const std::string& from, const std::string& to, std::string* error) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        *error = to + ": cannot rename into place (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

} // namespace

bool CutMap(ImageSource& image, const Bounds& bounds, const std::string& prefix,
            const EncoderOptions& options, const Progress& progress, std::string* error) {
    if (!checkBounds(bounds, error)) {
        return false;
    }
    if (std::uint64_t(image.width() / kSide) * (image.height() / kSide) > UINT32_MAX) {
        *error = "the image has more tiles than a tile file can count";
        return false;
    }
    const std::string dt1 = prefix + ".dt1", dt2 = prefix + ".dt2";
    const std::string dt1Temp = dt1 + ".tmp", dt2Temp = dt2 + ".tmp";
    const std::string desc = FormatDescription(image.width(), image.height(), bounds);
    bool ok = writeTiles(image, dt2Temp, options, progress, error) &&
              WriteZipArchive(dt1Temp, {{"desc.txt", desc}}, error) &&
              commit(dt2Temp, dt2, error) && commit(dt1Temp, dt1, error);
    if (!ok) {
        std::remove(dt1Temp.c_str());
        std::remove(dt2Temp.c_str());
    }
    return ok;
}

} // namespace mapcut
