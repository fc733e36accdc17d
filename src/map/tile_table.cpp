#include "tile_table.h"

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
    std::vector<unsigned char> raw(std::size_t(4 * entries));
    if (std::fseek(file, 4, SEEK_SET) != 0 ||
        std::fread(raw.data(), 1, raw.size(), file) != raw.size()) {
        *error = "offset table cannot be read";
        return false;
    }
    offsets->resize(std::size_t(entries));
    for (std::size_t i = 0; i < offsets->size(); ++i) {
        (*offsets)[i] = std::int32_t(littleEndian32(&raw[4 * i]));
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
