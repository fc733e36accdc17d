#include "package_files.h"

#include "platform/system/private_files.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace mapcut {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What a terminating signal removes; plain arrays, as the handler may only
// call async-signal-safe functions.
char pendingFiles[2][PATH_MAX];

extern "C" void removePendingAndDie(int number) {
    for (const char* path : pendingFiles) {
        if (path[0] != '\0') {
            ::unlink(path);
        }
    }
    ::signal(number, SIG_DFL);
    ::raise(number);
}

void setPending(int slot, const std::string& path) {
    std::snprintf(pendingFiles[slot], sizeof pendingFiles[slot], "%s", path.c_str());
}

void handleSignals(bool on) {
    struct sigaction action {};
    action.sa_handler = on ? removePendingAndDie : SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals) {
        sigaction(number, &action, nullptr);
    }
}

// The renames run with the signals held, so that a Ctrl-C cannot stop them
// between the two files.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int number : kSignals) {
            sigaddset(&set, number);
        }
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string renameError(const std::string& to) {
    return to + ": cannot rename into place (" + std::strerror(errno) + ")";
}

} // namespace

PackageFiles::PackageFiles(const std::string& prefix)
    : dt1_(prefix + ".dt1"), dt2_(prefix + ".dt2") {}

PackageFiles::~PackageFiles() {
    if (dt1Fd_ >= 0) {
        ::close(dt1Fd_);
    }
    if (dt2Fd_ >= 0) {
        ::close(dt2Fd_);
    }
    if (!committed_) {
        remove();
    }
}

bool PackageFiles::create(std::string* error) {
    handleSignals(true);
    dt2Fd_ = platform::CreateTemporaryBeside(dt2_, &dt2Temp_, error);
    if (dt2Fd_ < 0) {
        return false;
    }
    setPending(0, dt2Temp_);
    dt1Fd_ = platform::CreateTemporaryBeside(dt1_, &dt1Temp_, error);
    if (dt1Fd_ < 0) {
        return false;
    }
    setPending(1, dt1Temp_);
    const mode_t mode = platform::NewFileMode();
    ::fchmod(dt1Fd_, mode);
    ::fchmod(dt2Fd_, mode);
    return true;
}

int PackageFiles::takeTileFile() {
    const int fd = dt2Fd_;
    dt2Fd_ = -1;
    return fd;
}

int PackageFiles::takeArchive() {
    const int fd = dt1Fd_;
    dt1Fd_ = -1;
    return fd;
}

bool PackageFiles::commit(std::string* error) {
    SignalsHeld held;
    std::string old; // the old tile file, set aside under a name of our own
    if (exists(dt2_)) {
        const int fd = platform::CreateTemporaryBeside(dt2_, &old, error);
        if (fd < 0) {
            return false;
        }
        ::close(fd);
        if (std::rename(dt2_.c_str(), old.c_str()) != 0) {
            *error = renameError(old);
            ::unlink(old.c_str());
            return false;
        }
    }
    auto putBack = [&] {
        if (!old.empty() && std::rename(old.c_str(), dt2_.c_str()) != 0) {
            *error += "; the old tile file is kept as " + old;
        }
    };
    if (std::rename(dt2Temp_.c_str(), dt2_.c_str()) != 0) {
        *error = renameError(dt2_);
        putBack();
        return false;
    }
    if (std::rename(dt1Temp_.c_str(), dt1_.c_str()) != 0) {
        *error = renameError(dt1_) + (old.empty() ? "" : "; the old package is kept");
        if (old.empty()) {
            ::unlink(dt2_.c_str()); // no tile file without its description
        }
        putBack();
        return false;
    }
    if (!old.empty()) {
        ::unlink(old.c_str());
    }
    committed_ = true;
    handleSignals(false);
    return true;
}

void PackageFiles::remove() {
    for (const std::string* path : {&dt1Temp_, &dt2Temp_}) {
        if (!path->empty()) {
            ::unlink(path->c_str());
        }
    }
    pendingFiles[0][0] = pendingFiles[1][0] = '\0';
    handleSignals(false);
}

} // namespace mapcut
