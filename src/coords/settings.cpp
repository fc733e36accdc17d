#include "settings.h"

#include "formats.h"

#include "app/program_directory.h"
#include "state/view_state.h"
#include "tracker/inbox_signal.h"

#include "platform/files.h"

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

bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The mode a newly created file gets: what fopen(path, "wb") would give.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

enum class Outcome { Written, NoTemporaryFile, Failed };

// The name of a save's temporary file, beside the file it replaces.
const char kTemporaryPrefix[] = ".settings.dat.";

// A save holds a lock on its temporary file, so that no other save takes
// it for one left behind by a save that was killed.
Outcome writeBeside(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    std::string temporary = directoryOf(path) + kTemporaryPrefix + "XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return Outcome::NoTemporaryFile;
    }
    flock(fd, LOCK_EX);
    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode();
    bool ok = writeAll(fd, bytes, size) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return Outcome::Failed;
    }
    int dir = open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return Outcome::Written;
}

bool isTemporaryName(const char* name) {
    const std::size_t prefix = sizeof kTemporaryPrefix - 1;
    if (std::strncmp(name, kTemporaryPrefix, prefix) != 0 || std::strlen(name) != prefix + 6) {
        return false;
    }
    for (const char* c = name + prefix; *c != '\0'; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) {
            return false;
        }
    }
    return true;
}

// Temporary files of saves that were killed half-way: this program's own
// name pattern, a regular file of this user, a minute old, and not held by
// a save running now.
void removeStaleTemporaries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!isTemporaryName(entry->d_name)) {
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
bool mayReplace(const std::string& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 && access(file.c_str(), W_OK) == 0;
}

// The last resort: overwrite the existing file, then cut it to size, so that
// even an interrupted write leaves a file of the old length.
bool writeInPlace(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes, size) && ftruncate(fd, off_t(size)) == 0 && fsync(fd) == 0;
    return close(fd) == 0 && ok;
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

void SaveSettings() {
    const std::string path = SettingsPath();
    if (path.empty()) {
        return; // no folder to keep them in
    }
    const auto bytes = EncodeSettings(CurrentSettings());
    WriteFileSafely(path, bytes.data(), bytes.size());
}

bool WriteFileSafely(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    const std::string file = followLinks(path);
    if (!mayReplace(file)) {
        return false;
    }
    removeStaleTemporaries(directoryOf(file));
    // Only a folder that takes no new file sends us to the in-place write: a
    // write that failed beside the file (a full disk) would fail over it too,
    // half-way.
    switch (writeBeside(file, bytes, size)) {
    case Outcome::Written:
        return true;
    case Outcome::NoTemporaryFile:
        return writeInPlace(file, bytes, size);
    case Outcome::Failed:
        return false;
    }
    return false;
}
