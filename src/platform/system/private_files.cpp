#include "private_files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string systemError(const std::string& what) {
    return what + " (" + std::strerror(errno) + ")";
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        return path;
    }
    return path.empty() || path == "." ? std::string(cwd) : std::string(cwd) + "/" + path;
}

// One folder of a chain: `last` is the folder files go into, the others lie
// above it.
bool checkOne(const std::string& folder, bool last, std::string* reason) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        *reason = systemError(folder + ": cannot be checked");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *reason = folder + ": not a folder";
        return false;
    }
    if (st.st_uid != geteuid() && st.st_uid != 0) {
        *reason = folder + ": belongs to another user (uid " + std::to_string(st.st_uid) + ")";
        return false;
    }
    const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (othersWrite && (last || (st.st_mode & S_ISVTX) == 0)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        *reason = folder + ": others can write to it (mode " + mode + ")";
        return false;
    }
    return true;
}

// The folder and every folder above it, as written.
bool checkChain(const std::string& folder, std::string* reason) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    for (bool last = true;; last = false) {
        if (!checkOne(path, last, reason)) {
            return false;
        }
        if (path == "/") {
            return true;
        }
        path = FolderOf(path);
    }
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void syncFolder(const std::string& folder) {
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

} // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Both the path as written and the one its links lead to: a link in a folder
// another user can write could be turned to lead anywhere.
bool CheckPrivateFolder(const std::string& folder, std::string* reason) {
    const std::string written = absolute(folder);
    if (!checkChain(written, reason)) {
        return false;
    }
    char resolved[PATH_MAX];
    if (realpath(written.c_str(), resolved) == nullptr) {
        *reason = systemError(folder + ": cannot be checked");
        return false;
    }
    return written == resolved || checkChain(resolved, reason);
}

bool MakePrivateFolder(const std::string& folder, std::string* reason) {
    const std::string path = absolute(folder);
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            *reason = systemError(part + ": cannot be made");
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    return CheckPrivateFolder(path, reason);
}

int CreateTemporaryBeside(const std::string& path, std::string* temporary, std::string* reason) {
    *temporary = FolderOf(path) + "/." + fileNameOf(path) + ".XXXXXX";
    const int fd = mkostemp(temporary->data(), O_CLOEXEC);
    if (fd < 0) {
        *reason = systemError(FolderOf(path) + ": cannot make a new file");
    }
    return fd;
}

mode_t NewFileMode() {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return 0666 & ~mode_t(mask);
}

bool WriteAll(int fd, const void* bytes, std::size_t size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, next, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        next += n;
        size -= std::size_t(n);
    }
    return true;
}

bool CommitTemporary(int fd, const std::string& temporary, const std::string& path, mode_t mode,
                     std::string* reason) {
    bool ok = fchmod(fd, mode) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        *reason = systemError(path + ": cannot be written");
        unlink(temporary.c_str());
        return false;
    }
    syncFolder(FolderOf(path));
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode,
                 std::string* reason) {
    if (!CheckPrivateFolder(FolderOf(path), reason)) {
        return false;
    }
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, &temporary, reason);
    if (fd < 0) {
        return false;
    }
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        *reason = systemError(path + ": cannot be written");
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    return CommitTemporary(fd, temporary, path, mode, reason);
}

bool SavePrivateFile(const std::string& path, std::string_view bytes, mode_t mode,
                     std::string* reason) {
    return MakePrivateFolder(FolderOf(path), reason) && ReplaceFile(path, bytes, mode, reason);
}

// O_APPEND with one write: the line lands whole after everything before
// it, and no one else can have planted the name in a private folder, so
// O_NOFOLLOW and the owner check only guard against our own mistakes.
bool AppendPrivateFile(const std::string& path, std::string_view bytes, std::string* reason) {
    if (!MakePrivateFolder(FolderOf(path), reason)) {
        return false;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *reason = systemError(path + ": cannot open it");
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
    if (!ok) {
        *reason = path + ": not a regular file of this user's";
    } else if (!WriteAll(fd, bytes.data(), bytes.size())) {
        *reason = systemError(path + ": cannot write to it");
        ok = false;
    }
    close(fd);
    return ok;
}

} // namespace platform
