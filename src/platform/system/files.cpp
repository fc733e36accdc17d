#include "files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::FILE* OpenRegularFile(const std::string& path, std::string* reason) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *reason = std::string("cannot open (") + std::strerror(errno) + ")";
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *reason = "not a regular file";
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        *reason = std::string("cannot open (") + std::strerror(errno) + ")";
        ::close(fd);
    }
    return file;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWritableFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

namespace {

// $VARIABLE when it is an absolute path (as the XDG rules ask), else
// $HOME/fallback.
std::string baseFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return "";
    }
    return std::string(home) + "/" + fallback;
}

bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

std::string ConfigHome() {
    return baseFolder("XDG_CONFIG_HOME", ".config");
}

std::string DataHome() {
    return baseFolder("XDG_DATA_HOME", ".local/share");
}

std::string StateHome() {
    return baseFolder("XDG_STATE_HOME", ".local/state");
}

std::string UserConfigFolder(const std::string& application) {
    const std::string base = ConfigHome();
    if (base.empty() || !makeFolders(base + "/" + application)) {
        return "";
    }
    return base + "/" + application + "/";
}

std::string UserDataFolder(const std::string& application) {
    const std::string base = DataHome();
    return base.empty() ? "" : base + "/" + application + "/";
}

bool IsInstalledProgramFolder(const std::string& folder, const std::string& application) {
    if (!IsWritableFolder(folder)) {
        return true;
    }
    // PREFIX/bin/ or PREFIX/lib/NAME/ with the sample in PREFIX/share/NAME/.
    const std::string sample = "share/" + application + "/map.dt1";
    return !IsRegularFile(folder + "map.dt1") &&
           (IsRegularFile(folder + "../" + sample) || IsRegularFile(folder + "../../" + sample));
}

std::string UserFilesFolder(const std::string& folder, const std::string& application) {
    if (!IsInstalledProgramFolder(folder, application)) {
        return folder;
    }
    const std::string config = UserConfigFolder(application);
    return config.empty() ? folder : config;
}

} // namespace platform
