// Reading the description member out of the map archive (map.dt1).
#pragma once

#include <cstddef>
#include <string>
#include <unzip.h>

// A description is a few hundred bytes; anything far larger is not one, and
// its claimed size must not decide how much memory is allocated.
constexpr std::size_t kMaxDescriptionBytes = 64 * 1024;

// Opens the archive at a UTF-8 path. On failure returns null and says why:
// the file cannot be opened, or it is not a zip archive.
unzFile OpenMapArchive(const std::string& path, std::string* error);

// Finds "desc.txt" at the archive root, comparing without regard to case, and
// inflates it whole. Refuses an encrypted member, one larger than
// kMaxDescriptionBytes, and one that does not inflate to its recorded size and
// checksum. On failure returns false and says why.
bool ReadDescriptionMember(unzFile archive, std::string* text, std::string* error);
