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

bool GetProgramDirectory(WCHAR (&directory)[MAX_PATH]) {
    directory[0] = 0;
    const DWORD length = GetModuleFileName(nullptr, directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        directory[0] = 0; // a cut path would name another folder
        return false;
    }
    *FindFileNamePart(directory) = 0;
    return true;
}
