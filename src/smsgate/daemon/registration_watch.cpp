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

void RegistrationWatch::rearm() {
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    if (entry_.empty()) {
        return;
    }
    if (exists(entry_)) {
        watcher_.addPath(QString::fromStdString(entry_));
    }
    for (std::string folder = platform::FolderOf(entry_);; folder = platform::FolderOf(folder)) {
        if (exists(folder)) {
            watcher_.addPath(QString::fromStdString(folder));
            break;
        }
        if (folder == "/" || folder == ".") {
            break;
        }
    }
}
