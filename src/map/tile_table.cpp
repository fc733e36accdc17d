#include "tile_table.h"

#include <algorithm>
#include <new>

namespace {

std::uint32_t littleEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

bool ReadTileCount(std::FILE* file, std::uint64_t fileSize, std::uint32_t* count,
                   std::string* error) {
    unsigned char word[4];
    if (fileSize < 4 || std::fseek(file, 0, SEEK_SET) != 0 || std::fread(word, 1, 4, file) != 4) {
        *error = "no tile count (the file is " + std::to_string(fileSize) + " bytes long)";
        return false;
    }
    *count = littleEndian32(word);
    if (*count > kMaxTiles) {
        *error = std::to_string(*count) + " tiles, more than the " + std::to_string(kMaxTiles) +
                 " a map can have";
        return false;
    }
    return true;
}

bool ReadTileOffsets(std::FILE* file, std::uint64_t fileSize, std::uint32_t count,
                     std::vector<std::int32_t>* offsets, std::string* error) {
    std::uint64_t entries = std::uint64_t(count) + 1;
    std::uint64_t tableEnd = 4 + 4 * entries;
    if (tableEnd > fileSize) {
        *error = "offset table ends at byte " + std::to_string(tableEnd) + " of " +
                 std::to_string(fileSize);
        return false;
    }
    try {
        offsets->resize(std::size_t(entries));
    } catch (const std::bad_alloc&) {
        offsets->clear();
        *error =
            "the offset table (" + std::to_string(4 * entries) + " bytes) does not fit in memory";
        return false;
    }
    // Read in blocks: the table is never held twice.
    unsigned char block[4096];
    std::size_t done = 0;
    if (std::fseek(file, 4, SEEK_SET) != 0) {
        *error = "offset table cannot be read";
        return false;
    }
    while (done < offsets->size()) {
        const std::size_t n = std::min(sizeof block / 4, offsets->size() - done);
        if (std::fread(block, 4, n, file) != n) {
            *error = "offset table cannot be read";
            return false;
        }
        for (std::size_t i = 0; i < n; ++i) {
            (*offsets)[done + i] = std::int32_t(littleEndian32(block + 4 * i));
        }
        done += n;
    }
    *error = CheckTileOffsets(*offsets, fileSize);
    return error->empty();
}

std::string CheckTileOffsets(std::span<const std::int32_t> offsets, std::uint64_t fileSize) {
    if (offsets.empty()) {
        return "offset table is empty";
    }
    if (offsets[0] < 0) {
        return "tile 1 starts at a negative offset (" + std::to_string(offsets[0]) + ")";
    }
    for (std::size_t n = 1; n < offsets.size(); ++n) {
        if (offsets[n] < offsets[n - 1]) {
            return "tile " + std::to_string(n) + " ends before it starts";
        }
    }
    for (std::size_t n = 1; n < offsets.size(); ++n) {
        if (std::uint64_t(offsets[n]) > fileSize) {
            return "tile " + std::to_string(n) + " ends at byte " + std::to_string(offsets[n]) +
                   ", past the end of the file (" + std::to_string(fileSize) + " bytes)";
        }
    }
    if (std::uint64_t(offsets[0]) > fileSize) {
        return "the offset table points past the end of the file";
    }
    return {};
}
