#include "runtime_dir.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

namespace {

// Sockets live at RuntimeDir()/windows/PID-N.sock, and a socket's path has
// at most 107 bytes: the folder must leave room for the rest.
constexpr std::size_t kMaxRuntimeDirBytes = 80;

struct Candidate {
    std::string path;
    std::vector<std::string> parents; // made first, when missing
};

// The folders to try, in order: the session's runtime folder, one in the
// temporary folder, and one in the home folder, which no other user can
// have made first.
std::vector<Candidate> candidates() {
    std::vector<Candidate> list;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && *xdg == '/') {
        list.push_back({std::string(xdg) + "/tarvo", {}});
    }
    const char* tmp = std::getenv("TMPDIR");
    list.push_back({std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/tarvo-" +
                        std::to_string(geteuid()),
                    {}});
    const char* home = std::getenv("HOME");
    struct stat st {};
    if (home != nullptr && *home == '/' && stat(home, &st) == 0 && st.st_uid == geteuid() &&
        (st.st_mode & 022) == 0) {
        const std::string cache = std::string(home) + "/.cache";
        list.push_back({cache + "/tarvo/run", {cache, cache + "/tarvo"}});
    }
    return list;
}

} // namespace

const std::string& RuntimeDir() {
    static const std::string dir = [] {
        for (const Candidate& c : candidates()) {
            for (const std::string& parent : c.parents) {
                mkdir(parent.c_str(), 0700);
            }
            if (c.path.size() <= kMaxRuntimeDirBytes && ownPrivateDir(c.path)) {
                return c.path;
            }
        }
        return std::string();
    }();
    return dir;
}

std::string RuntimeDirCandidates() {
    std::string list;
    for (const Candidate& c : candidates()) {
        list += (list.empty() ? "" : ", ") + c.path;
    }
    return list;
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
