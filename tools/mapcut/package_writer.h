// Writing a map package: the archive with desc.txt, and the tile file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace mapcut {

struct Bounds {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// desc.txt: six label lines, each followed by its value.
std::string FormatDescription(std::uint32_t width, std::uint32_t height, const Bounds& bounds);

struct ZipMember {
    std::string name;
    std::string data;
    bool deflate = true;
};

// Writes a zip archive holding the members, in order, into the open file
// (which it closes); `name` is for messages.
bool WriteZipArchiveTo(int fd, const std::string& name, const std::vector<ZipMember>& members,
                       std::string* error);
// The same into a new file that replaces `path` once complete.
bool WriteZipArchive(const std::string& path, const std::vector<ZipMember>& members,
                     std::string* error);

// Streams tiles into a tile file: the count and a table of offsets first, the
// tile bytes after it, and the table filled in by finish().
class TileFileWriter {
public:
    TileFileWriter() = default;
    ~TileFileWriter();
    TileFileWriter(const TileFileWriter&) = delete;
    TileFileWriter& operator=(const TileFileWriter&) = delete;

    // Takes the open file (closed by finish() or the destructor); `name` is
    // for messages.
    bool open(int fd, const std::string& name, std::uint32_t count, std::string* error);
    bool add(std::string_view tile, std::string* error);
    bool finish(std::string* error);

private:
    std::FILE* file_ = nullptr;
    std::string name_;
    std::uint32_t count_ = 0;
    std::vector<std::int32_t> offsets_;
    std::uint64_t position_ = 0;
};

// Writes a whole tile file at once, tiles in number order, into a new file
// that replaces `path` once complete.
bool WriteTileFile(const std::string& path, const std::vector<std::string>& tiles,
                   std::string* error);

} // namespace mapcut
