// Tells the gate when the rule component's registration may have changed:
// the class entry made, removed, rewritten or its mode changed. The file
// system says so (inotify); nothing is polled, so an idle gate sleeps.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <string>

class RegistrationWatch : public QObject {
    Q_OBJECT

public:
    // Watches the entry at `entryPath` (empty: nothing to watch).
    explicit RegistrationWatch(const std::string& entryPath, QObject* parent = nullptr);

Q_SIGNALS:
    void changed();

private:
    // The entry itself when it is there, and the nearest of its folders that
    // is: its creation shows there, however many folders it needed.
    void rearm();
    std::string nearestFolder() const;

    std::string entry_;
    QFileSystemWatcher watcher_;
};
