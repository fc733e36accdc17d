// Opening files for reading as the program's own files must be opened: a
// FIFO or device in their place would block or feed the program forever.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Opens the file for reading without ever blocking in the open, and only
// when it is a regular file. Null with the reason ("not a regular file", or
// the system's "cannot open (...)") otherwise.
std::FILE* OpenRegularFile(const std::string& path, std::string* reason);

} // namespace platform
