#include "program_directory.h"

#include "core/utf8.h"

#include "platform/system/files.h"
#include "platform/system/kernel.h"

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

namespace {

const char kApplication[] = "tarvo";

bool programFolder(std::string* folder) {
    WCHAR directory[MAX_PATH];
    if (!GetProgramDirectory(directory)) {
        return false;
    }
    *folder = core::ToUtf8(directory);
    return true;
}

} // namespace

bool GetSettingsPath(std::string* path) {
    std::string folder;
    if (!programFolder(&folder)) {
        return false;
    }
    *path = platform::UserFilesFolder(folder, kApplication) + "settings.dat";
    return true;
}

bool GetAnswersLogPath(std::string* path) {
    std::string folder;
    if (!programFolder(&folder)) {
        return false;
    }
    const std::string state = platform::StateHome();
    if (platform::IsInstalledProgramFolder(folder, kApplication) && !state.empty()) {
        *path = state + "/" + kApplication + "/answers.log";
    } else {
        *path = platform::UserFilesFolder(folder, kApplication) + "answers.log";
    }
    return true;
}

bool GetMapPrefix(std::u16string* prefix) {
    std::string folder;
    if (!programFolder(&folder)) {
        return false;
    }
    std::string chosen = folder + "map";
    if (platform::IsInstalledProgramFolder(folder, kApplication)) {
        const std::string data = platform::UserDataFolder(kApplication);
        const std::string sample = folder + "../share/" + kApplication + "/map";
        for (const std::string& candidate : {data.empty() ? data : data + "map", sample}) {
            if (!candidate.empty() && platform::IsRegularFile(candidate + ".dt1")) {
                chosen = candidate;
                break;
            }
        }
    }
    *prefix = core::FromUtf8(chosen);
    return true;
}
