// Named mutexes as lock files in the runtime folder: a holder keeps a shared
// lock on the file's open description, so the name exists exactly while some
// live process holds a handle, and vanishes when the last holder closes it or
// dies. The file is never removed: removing it could split one name into two
// files between a holder and a newcomer.
#include "kernel.h"

#include "core/utf8.h"

#include "platform/ipc/runtime_dir.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

struct KernelObject {
    int fd;
};

std::string mutexPath(LPCWSTR name) {
    const std::string dir = platform::RuntimeSubdir("mutexes");
    if (dir.empty() || name == nullptr) {
        return {};
    }
    return dir + "/" + platform::HexName(core::ToUtf8(name));
}

} // namespace

HANDLE CreateMutex(void*, BOOL, LPCWSTR name) {
    const std::string path = mutexPath(name);
    if (path.empty()) {
        return nullptr;
    }
    int fd = platform::OpenLockFile(path);
    if (fd < 0) {
        return nullptr;
    }
    if (!platform::TryLockShared(fd)) {
        close(fd);
        return nullptr;
    }
    return new KernelObject{fd};
}

BOOL CloseHandle(HANDLE handle) {
    auto* object = static_cast<KernelObject*>(handle);
    if (object == nullptr) {
        return FALSE;
    }
    close(object->fd);
    delete object;
    return TRUE;
}

namespace platform {

bool NamedMutexExists(LPCWSTR name) {
    const std::string path = mutexPath(name);
    if (path.empty()) {
        return false;
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    const bool held = IsLocked(fd);
    close(fd);
    return held;
}

} // namespace platform
