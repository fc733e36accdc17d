#include "registration_watch.h"

#include "platform/system/private_files.h"

#include <sys/stat.h>

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

RegistrationWatch::RegistrationWatch(const std::string& entryPath, QObject* parent)
    : QObject(parent), entry_(entryPath) {
    auto onChange = [this] {
        rearm();
        Q_EMIT changed();
    };
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, onChange);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, onChange);
    rearm();
}

// The nearest of the entry's folders that exists ("/" at worst).
std::string RegistrationWatch::nearestFolder() const {
    std::string folder = platform::FolderOf(entry_);
    while (!exists(folder) && folder != "/" && folder != ".") {
        folder = platform::FolderOf(folder);
    }
    return folder;
}

void RegistrationWatch::rearm() {
    if (entry_.empty()) {
        return;
    }
    // A folder made below the watched one while the watch was being set up
    // told nobody: set it up again until the folders hold still. (An entry
    // made meanwhile is seen by the check that follows every change.)
    for (std::string folder = nearestFolder();;) {
        const QStringList watched = watcher_.files() + watcher_.directories();
        if (!watched.isEmpty()) {
            watcher_.removePaths(watched);
        }
        if (exists(entry_)) {
            watcher_.addPath(QString::fromStdString(entry_));
        }
        watcher_.addPath(QString::fromStdString(folder));
        const std::string now = nearestFolder();
        if (now == folder) {
            return;
        }
        folder = now;
    }
}
