#include "desc_archive.h"

#include "platform/system/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ioapi.h>

namespace {

constexpr int kCaseInsensitive = 2;

bool fail(std::string* error, std::string reason) {
    *error = std::move(reason);
    return false;
}

} // namespace

namespace {

// minizip opens the archive through this, as a regular file only; why it
// could not is kept for the reason.
voidpf openArchiveFile(voidpf opaque, const void* name, int) {
    return platform::OpenRegularFile(static_cast<const char*>(name),
                                     static_cast<std::string*>(opaque));
}

} // namespace

unzFile OpenMapArchive(const std::string& path, std::string* error) {
    std::string reason;
    zlib_filefunc64_def files;
    fill_fopen64_filefunc(&files);
    files.zopen64_file = openArchiveFile;
    files.opaque = &reason;
    unzFile archive = unzOpen2_64(path.c_str(), &files);
    if (archive == nullptr) {
        // minizip says only "failed": a file that opened is no archive.
        *error = reason.empty() ? "not a zip archive" : reason;
    }
    return archive;
}

bool ReadDescriptionMember(unzFile archive, std::string* text, std::string* error) {
    if (unzLocateFile(archive, "desc.txt", kCaseInsensitive) != UNZ_OK) {
        return fail(error, "desc.txt not found");
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return fail(error, "desc.txt has a damaged directory entry");
    }
    if ((info.flag & 1) != 0) {
        return fail(error, "desc.txt is encrypted");
    }
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        return fail(error, "desc.txt is compressed with an unsupported method (" +
                               std::to_string(info.compression_method) + ")");
    }
    if (info.uncompressed_size > kMaxDescriptionBytes) {
        return fail(error, "desc.txt is " + std::to_string(info.uncompressed_size) +
                               " bytes, more than a description can be");
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        return fail(error, "desc.txt cannot be read");
    }
    std::string buffer(std::size_t(info.uncompressed_size), '\0');
    int got =
        buffer.empty() ? 0 : unzReadCurrentFile(archive, buffer.data(), unsigned(buffer.size()));
    // One byte more than recorded must not be there either; closing checks
    // the checksum once the whole member has been read.
    char extra = 0;
    int more = unzReadCurrentFile(archive, &extra, 1);
    int closed = unzCloseCurrentFile(archive);
    if (got != int(buffer.size()) || more != 0 || closed != UNZ_OK) {
        return fail(error, "desc.txt is damaged (it does not inflate to its recorded size "
                           "and checksum)");
    }
    *text = std::move(buffer);
    return true;
}
