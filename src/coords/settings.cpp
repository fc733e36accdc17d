#include "settings.h"

#include "formats.h"

#include "app/program_directory.h"
#include "state/view_state.h"
#include "tracker/inbox_signal.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

Outcome writeBeside(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    std::string temporary = directoryOf(path) + ".settings.dat.XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return Outcome::NoTemporaryFile;
    }
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
    WCHAR directory[MAX_PATH];
    GetProgramDirectory(directory);
    return platform::ToUtf8(std::u16string(directory) + u"settings.dat");
}

void LoadSettings() {
    std::FILE* file = std::fopen(SettingsPath().c_str(), "rb");
    if (file == nullptr) {
        return;
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
    const auto bytes = EncodeSettings(CurrentSettings());
    WriteFileSafely(SettingsPath(), bytes.data(), bytes.size());
}

bool WriteFileSafely(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    // Only a folder that takes no new file sends us to the in-place write: a
    // write that failed beside the file (a full disk) would fail over it too,
    // half-way.
    switch (writeBeside(path, bytes, size)) {
    case Outcome::Written:
        return true;
    case Outcome::NoTemporaryFile:
        return writeInPlace(path, bytes, size);
    case Outcome::Failed:
        return false;
    }
    return false;
}
