#include "package_writer.h"

#include "platform/system/private_files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace mapcut {

namespace {

std::string shortest(double v) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

bool putWord(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, f) == 4;
}

// The entries carry the time they were written, in local time as zip keeps it.
zip_fileinfo nowInZip() {
    zip_fileinfo info{};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        info.tmz_date.tm_sec = uInt(local.tm_sec);
        info.tmz_date.tm_min = uInt(local.tm_min);
        info.tmz_date.tm_hour = uInt(local.tm_hour);
        info.tmz_date.tm_mday = uInt(local.tm_mday);
        info.tmz_date.tm_mon = uInt(local.tm_mon);
        info.tmz_date.tm_year = uInt(local.tm_year + 1900);
    }
    return info;
}

// minizip writes the archive through this: the file the caller made.
voidpf openGivenFile(voidpf opaque, const void*, int) {
    return ::fdopen(*static_cast<int*>(opaque), "wb");
}

// Writes a new file beside `path` with `write`, then renames it over `path`.
template <typename Write>
bool replaceWith(const std::string& path, std::string* error, Write write) {
    std::string temporary;
    const int fd = platform::CreateTemporaryBeside(path, &temporary, error);
    if (fd < 0) {
        return false;
    }
    ::fchmod(fd, platform::NewFileMode());
    if (!write(fd, temporary)) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = path + ": cannot rename into place (" + std::strerror(errno) + ")";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string FormatDescription(std::uint32_t width, std::uint32_t height, const Bounds& b) {
    return "width\n" + std::to_string(width) + "\nheight\n" + std::to_string(height) + "\nleft\n" +
           shortest(b.left) + "\ntop\n" + shortest(b.top) + "\nright\n" + shortest(b.right) +
           "\nbottom\n" + shortest(b.bottom) + "\n";
}

bool WriteZipArchiveTo(int fd, const std::string& name, const std::vector<ZipMember>& members,
                       std::string* error) {
    zlib_filefunc64_def files;
    fill_fopen64_filefunc(&files);
    files.zopen64_file = openGivenFile;
    files.opaque = &fd;
    zipFile zip = zipOpen2_64(name.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
    if (zip == nullptr) {
        *error = name + ": cannot write (" + std::strerror(errno) + ")";
        ::close(fd);
        return false;
    }
    bool ok = true;
    for (const ZipMember& m : members) {
        zip_fileinfo info = nowInZip();
        int method = m.deflate ? Z_DEFLATED : 0;
        ok = zipOpenNewFileInZip(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 method, Z_BEST_COMPRESSION) == ZIP_OK &&
             zipWriteInFileInZip(zip, m.data.data(), unsigned(m.data.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
        if (!ok) {
            break;
        }
    }
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    if (!ok) {
        *error = name + ": cannot write the archive";
    }
    return ok;
}

bool WriteZipArchive(const std::string& path, const std::vector<ZipMember>& members,
                     std::string* error) {
    return replaceWith(path, error, [&](int fd, const std::string& temporary) {
        return WriteZipArchiveTo(fd, temporary, members, error);
    });
}

TileFileWriter::~TileFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool TileFileWriter::open(int fd, const std::string& name, std::uint32_t count,
                          std::string* error) {
    name_ = name;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        *error = name + ": cannot write (" + std::strerror(errno) + ")";
        ::close(fd);
        return false;
    }
    count_ = count;
    position_ = 4 + 4 * (std::uint64_t(count) + 1);
    offsets_.assign(1, std::int32_t(position_));
    offsets_.reserve(std::size_t(count) + 1);
    // The table is written as zeros now and filled in by finish().
    for (std::uint64_t i = 0; i < std::uint64_t(count) + 2; ++i) {
        if (!putWord(file_, 0)) {
            *error = name + ": cannot write";
            return false;
        }
    }
    return true;
}

bool TileFileWriter::add(std::string_view tile, std::string* error) {
    if (offsets_.size() > count_) {
        *error = "more tiles than the file was opened for";
        return false;
    }
    if (position_ + tile.size() > std::uint64_t(INT32_MAX)) {
        *error = "the tile file would exceed 2 GiB, the most its 32-bit offsets can address";
        return false;
    }
    if (std::fwrite(tile.data(), 1, tile.size(), file_) != tile.size()) {
        *error = std::string("cannot write a tile (") + std::strerror(errno) + ")";
        return false;
    }
    position_ += tile.size();
    offsets_.push_back(std::int32_t(position_));
    return true;
}

bool TileFileWriter::finish(std::string* error) {
    if (offsets_.size() != std::size_t(count_) + 1) {
        *error = "the tile file got " + std::to_string(offsets_.size() - 1) + " of " +
                 std::to_string(count_) + " tiles";
        return false;
    }
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0 && putWord(file_, count_);
    for (std::size_t i = 0; ok && i < offsets_.size(); ++i) {
        ok = putWord(file_, std::uint32_t(offsets_[i]));
    }
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) {
        *error = std::string("cannot write the tile table (") + std::strerror(errno) + ")";
    }
    return ok;
}

bool WriteTileFile(const std::string& path, const std::vector<std::string>& tiles,
                   std::string* error) {
    return replaceWith(path, error, [&](int fd, const std::string& temporary) {
        TileFileWriter writer;
        if (!writer.open(fd, temporary, std::uint32_t(tiles.size()), error)) {
            return false;
        }
        for (const std::string& tile : tiles) {
            if (!writer.add(tile, error)) {
                return false;
            }
        }
        return writer.finish(error);
    });
}

} // namespace mapcut
