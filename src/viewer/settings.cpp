#include "settings.h"

#include "inbox_signal.h"
#include "program_directory.h"
#include "view_state.h"

#include "core/coordinate_formats.h"

#include "platform/system/files.h"
#include "platform/system/private_files.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

enum class Outcome { Written, NoTemporaryFile, Failed };

// A save holds a lock on its temporary file, so that no other save takes
// it for one left behind by a save that was killed.
Outcome writeBeside(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                    std::string* reason) {
    std::string temporary;
    const int fd = platform::CreateTemporaryBeside(path, &temporary, reason);
    if (fd < 0) {
        return Outcome::NoTemporaryFile;
    }
    flock(fd, LOCK_EX);
    struct stat old {};
    const mode_t mode =
        stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : platform::NewFileMode();
    if (!platform::WriteAll(fd, bytes, size)) {
        *reason = path + ": cannot be written (" + std::strerror(errno) + ")";
        close(fd);
        unlink(temporary.c_str());
        return Outcome::Failed;
    }
    return platform::CommitTemporary(fd, temporary, path, mode, reason) ? Outcome::Written
                                                                        : Outcome::Failed;
}

// A save's temporary file is ".NAME.XXXXXX" beside the file NAME it replaces.
bool isTemporaryName(const char* name, const std::string& file) {
    const std::string prefix = "." + file.substr(file.find_last_of('/') + 1) + ".";
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0 ||
        std::strlen(name) != prefix.size() + 6) {
        return false;
    }
    for (const char* c = name + prefix.size(); *c != '\0'; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) {
            return false;
        }
    }
    return true;
}

// Temporary files of saves that were killed half-way: this program's own
// name pattern, a regular file of this user, a minute old, and not held by
// a save running now.
void removeStaleTemporaries(const std::string& file) {
    const std::string folder = directoryOf(file);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!isTemporaryName(entry->d_name, file)) {
            continue;
        }
        const std::string path = folder + entry->d_name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            now - st.st_mtime < 60) {
            continue;
        }
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            unlink(path.c_str());
        }
        if (fd >= 0) {
            close(fd);
        }
    }
    closedir(dir);
}

// The file a save replaces: the path, or the file its symbolic links lead
// to (which may not exist yet). A loop of links is left to the write.
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int i = 0; i < 40; ++i) {
        char target[4096];
        const ssize_t n = readlink(current.c_str(), target, sizeof target - 1);
        if (n < 0) {
            break;
        }
        target[n] = '\0';
        current = target[0] == '/' ? std::string(target) : directoryOf(current) + target;
    }
    return current;
}

// A file the user made read-only keeps its content, as an open for writing
// would fail on it; one that is not a regular file is never replaced.
bool mayReplace(const std::string& file, std::string* reason) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        *reason = file + ": " + std::strerror(errno);
        return errno == ENOENT;
    }
    if (!S_ISREG(st.st_mode)) {
        *reason = file + ": not a regular file";
    } else if ((st.st_mode & 0222) == 0 || access(file.c_str(), W_OK) != 0) {
        *reason = file + ": read-only";
    } else {
        return true;
    }
    return false;
}

// The last resort: overwrite the existing file, then cut it to size, so that
// even an interrupted write leaves a file of the old length.
bool writeInPlace(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                  std::string* reason) {
    int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    bool ok = fd >= 0 && platform::WriteAll(fd, bytes, size) && ftruncate(fd, off_t(size)) == 0 &&
              fsync(fd) == 0;
    ok = (fd < 0 || close(fd) == 0) && ok;
    if (!ok) {
        *reason = path + ": cannot be written (" + std::strerror(errno) + ")";
    }
    return ok;
}

} // namespace

SettingsRecord CurrentSettings() {
    SettingsRecord r{};
    r.centreLongitude = theView.centreLongitude;
    r.centreLatitude = theView.centreLatitude;
    r.gpsLongitude = theView.gpsLongitude;
    r.gpsLatitude = theView.gpsLatitude;
    r.placeInInbox = theApp.placeInInbox;
    std::memcpy(r.trackerNumber, theApp.trackerNumber, sizeof r.trackerNumber);
    r.displayFormat = theView.displayFormat;
    r.inputFormat = theView.inputFormat;
    return r;
}

void ApplySettings(const SettingsRecord& r) {
    theView.centreLongitude = r.centreLongitude;
    theView.centreLatitude = r.centreLatitude;
    theView.gpsLongitude = r.gpsLongitude;
    theView.gpsLatitude = r.gpsLatitude;
    theApp.placeInInbox = r.placeInInbox;
    std::memcpy(theApp.trackerNumber, r.trackerNumber, sizeof r.trackerNumber);
    theView.displayFormat = r.displayFormat;
    theView.inputFormat = r.inputFormat;
}

std::string SettingsPath() {
    std::string path;
    return GetSettingsPath(&path) ? path : std::string();
}

void LoadSettings() {
    std::string reason;
    std::FILE* file = platform::OpenRegularFile(SettingsPath(), &reason);
    if (file == nullptr) {
        return; // absent, or not a file the settings could be in
    }
    std::uint8_t bytes[kSettingsSize];
    const std::size_t size = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    SettingsRecord record = CurrentSettings();
    DecodeSettings(bytes, size, &record);
    ApplySettings(record);
    SyncInboxSignal();
}

// The user sees nothing when a save fails (the window is gone by then); the
// line on standard error reaches a desktop session's journal.
void SaveSettings() {
    const std::string path = SettingsPath();
    if (path.empty()) {
        return; // no folder to keep them in
    }
    const auto bytes = EncodeSettings(CurrentSettings());
    std::string reason;
    if (!WriteFileSafely(path, bytes.data(), bytes.size(), &reason)) {
        std::fprintf(stderr, "tarvo: settings not saved to %s: %s\n", path.c_str(), reason.c_str());
    }
}

bool WriteFileSafely(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                     std::string* reason) {
    const std::string file = followLinks(path);
    if (!mayReplace(file, reason) || !platform::CheckPrivateFolder(directoryOf(path), reason) ||
        !platform::CheckPrivateFolder(directoryOf(file), reason)) {
        return false;
    }
    removeStaleTemporaries(file);
    // Only a folder that takes no new file sends us to the in-place write: a
    // write that failed beside the file (a full disk) would fail over it too,
    // half-way.
    switch (writeBeside(file, bytes, size, reason)) {
    case Outcome::Written:
        return true;
    case Outcome::NoTemporaryFile:
        return writeInPlace(file, bytes, size, reason);
    case Outcome::Failed:
        return false;
    }
    return false;
}
