// The folder of the running program, where the map and settings.dat live.
#pragma once

#include "platform/types.h"

// The position in the path where the file name begins: after the last '/'
// that is followed by neither the end nor another '/'; the first character
// when there is none.
LPCWSTR FindFileNamePart(LPCWSTR path);
LPWSTR FindFileNamePart(LPWSTR path);

// Fills the buffer with the executable's folder, ending in '/'. False (and
// an empty buffer) when the program's path does not fit the buffer.
bool GetProgramDirectory(WCHAR (&directory)[MAX_PATH]);
