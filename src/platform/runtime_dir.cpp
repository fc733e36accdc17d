#include "runtime_dir.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool ownPrivateDir(const std::string& path) {
    struct stat st {};
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 0077) == 0;
}

bool setLock(int fd, short type, int command) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return fcntl(fd, command, &lock) == 0;
}

} // namespace

const std::string& RuntimeDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("XDG_RUNTIME_DIR");
        if (base != nullptr && *base == '/') {
            std::string path = std::string(base) + "/tarvo";
            if (ownPrivateDir(path)) {
                return path;
            }
        }
        std::string path = "/tmp/tarvo-" + std::to_string(geteuid());
        return ownPrivateDir(path) ? path : std::string();
    }();
    return dir;
}

std::string RuntimeSubdir(const std::string& name) {
    if (RuntimeDir().empty()) {
        return {};
    }
    std::string path = RuntimeDir() + "/" + name;
    return ownPrivateDir(path) ? path : std::string();
}

int OpenLockFile(const std::string& path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool TryLockShared(int fd) {
    return setLock(fd, F_RDLCK, F_OFD_SETLK);
}

bool TryLockExclusive(int fd) {
    return setLock(fd, F_WRLCK, F_OFD_SETLK);
}

bool WaitLockExclusive(int fd, int timeoutMs) {
    for (int waited = 0;; waited += 10) {
        if (TryLockExclusive(fd)) {
            return true;
        }
        if (waited >= timeoutMs) {
            return false;
        }
        timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

bool IsLocked(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::string HexName(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? std::string("-") : out;
}

} // namespace platform
