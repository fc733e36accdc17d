#include "window_registry.h"

#include "ipc.h"
#include "runtime_dir.h"

#include "core/utf8.h"

#include "platform/system/kernel.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace platform {

namespace {

std::string entryText(const std::u16string& className, const std::u16string& title) {
    return HexName(core::ToUtf8(className)) + "\n" + HexName(core::ToUtf8(title)) + "\n";
}

bool readAll(int fd, std::string* out) {
    char buffer[1024];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        out->append(buffer, std::size_t(n));
        if (out->size() > 64 * 1024) {
            return false;
        }
    }
    return n == 0;
}

bool writeAll(int fd, const std::string& text) {
    return write(fd, text.data(), text.size()) == ssize_t(text.size());
}

std::string withoutSuffix(const std::string& path, const char* suffix) {
    const std::string s = suffix;
    return path.size() > s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0
               ? path.substr(0, path.size() - s.size())
               : std::string();
}

// An entry whose process died leaves its file unlocked: remove it, after
// taking its lock so a live owner can never lose its entry this way.
void removeIfDead(const std::string& base) {
    const std::string entry = base + ".win";
    int fd = open(entry.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0 && TryLockExclusive(fd)) {
        ::unlink(entry.c_str());
        ::unlink((base + ".sock").c_str());
    }
    if (fd >= 0) {
        close(fd);
    }
}

bool startLocksEnabled = false;
std::map<std::string, int> heldStartLocks;

std::string startLockPath(const std::u16string& className, const std::u16string* title) {
    const std::string dir = RuntimeSubdir("start");
    if (dir.empty()) {
        return {};
    }
    return dir + "/" + HexName(core::ToUtf8(className)) + "." +
           (title != nullptr ? HexName(core::ToUtf8(*title)) : std::string("any"));
}

} // namespace

std::unique_ptr<PublishedWindow>
PublishedWindow::Publish(HWND hwnd, const std::u16string& className, const std::u16string& title) {
    static int counter = 0;
    const std::string dir = RuntimeSubdir("windows");
    if (dir.empty()) {
        return nullptr;
    }
    std::unique_ptr<PublishedWindow> w(new PublishedWindow);
    const std::string base = dir + "/" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    w->server_ = std::make_unique<IpcServer>(base + ".sock", hwnd);
    if (!w->server_->listening()) {
        return nullptr;
    }
    // Locked before it gets its name: an entry under its final name without
    // a lock is always a dead one.
    const std::string temporary = base + ".tmp";
    w->entryFd_ =
        open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (w->entryFd_ < 0 || !writeAll(w->entryFd_, entryText(className, title)) ||
        !TryLockExclusive(w->entryFd_) || rename(temporary.c_str(), (base + ".win").c_str()) != 0) {
        ::unlink(temporary.c_str());
        return nullptr;
    }
    w->entryPath_ = base + ".win";
    return w;
}

PublishedWindow::~PublishedWindow() {
    if (!entryPath_.empty()) {
        ::unlink(entryPath_.c_str());
        ::unlink((withoutSuffix(entryPath_, ".win") + ".sock").c_str());
    }
    if (entryFd_ >= 0) {
        close(entryFd_);
    }
    // The window may go while the server is carrying out one of its own
    // requests (an "Exit" sent from another process): the server goes once
    // control is back in the event loop.
    if (server_ != nullptr) {
        server_.release()->deleteLater();
    }
}

std::string FindPublishedWindow(const std::u16string& className, const std::u16string* title) {
    const std::string dir = RuntimeSubdir("windows");
    DIR* listing = dir.empty() ? nullptr : opendir(dir.c_str());
    if (listing == nullptr) {
        return {};
    }
    const std::string wantedClass = HexName(core::ToUtf8(className)) + "\n";
    const std::string wantedTitle = title != nullptr ? HexName(core::ToUtf8(*title)) + "\n" : "";
    std::string found;
    while (dirent* e = readdir(listing)) {
        const std::string base = withoutSuffix(dir + "/" + e->d_name, ".win");
        if (base.empty() || !found.empty()) {
            continue;
        }
        int fd = open((base + ".win").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        std::string text;
        const bool alive = IsLocked(fd);
        const bool read = readAll(fd, &text);
        close(fd);
        if (!alive) {
            removeIfDead(base);
            continue;
        }
        const std::size_t split = text.find('\n');
        if (read && split != std::string::npos && text.compare(0, split + 1, wantedClass) == 0 &&
            (title == nullptr || text.substr(split + 1) == wantedTitle)) {
            found = base + ".sock";
        }
    }
    closedir(listing);
    return found;
}

bool IsEndpointAlive(const std::string& endpoint) {
    const std::string base = withoutSuffix(endpoint, ".sock");
    int fd = base.empty() ? -1 : open((base + ".win").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    const bool alive = IsLocked(fd);
    close(fd);
    return alive;
}

void EnableStartLocks(bool enabled) {
    startLocksEnabled = enabled;
}

void AcquireStartLock(const std::u16string& className, const std::u16string* title) {
    if (!startLocksEnabled) {
        return;
    }
    const std::string path = startLockPath(className, title);
    if (path.empty() || heldStartLocks.count(path) != 0) {
        return;
    }
    int fd = OpenLockFile(path);
    // A start that hangs before showing its window must not block every
    // later start for ever: after ten seconds we look without the lock.
    if (fd >= 0 && WaitLockExclusive(fd, 10000)) {
        heldStartLocks[path] = fd;
    } else if (fd >= 0) {
        close(fd);
    }
}

void ReleaseStartLock(const std::u16string& className, const std::u16string* title) {
    auto it = heldStartLocks.find(startLockPath(className, title));
    if (it != heldStartLocks.end()) {
        close(it->second);
        heldStartLocks.erase(it);
    }
}

} // namespace platform
