#include "program_directory.h"

#include "platform/kernel.h"

LPCWSTR FindFileNamePart(LPCWSTR path) {
    LPCWSTR name = path;
    for (LPCWSTR p = path; *p != 0; ++p) {
        if (*p == u'/' && p[1] != 0 && p[1] != u'/') {
            name = p + 1;
        }
    }
    return name;
}

LPWSTR FindFileNamePart(LPWSTR path) {
    return const_cast<LPWSTR>(FindFileNamePart(static_cast<LPCWSTR>(path)));
}

void GetProgramDirectory(WCHAR (&directory)[MAX_PATH]) {
    directory[0] = 0;
    GetModuleFileName(nullptr, directory, MAX_PATH);
    *FindFileNamePart(directory) = 0;
}
