// smsgate: the gate daemon of the rule component. Started at login by the
// autostart entry that registering the component writes (or by the demo),
// it runs until the session ends and acts only while the component is
// registered. See README.md for the recognition rule.
//
//   smsgate [--settings FILE] [--delivered-log FILE]
#include "gate.h"

#include "platform/ipc/runtime_dir.h"
#include "platform/system/files.h"
#include "platform/windows/termination.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One gate a user: two would deliver every report twice. The lock lives in
// the user's runtime folder and goes with the process.
bool claimSingleInstance() {
    const QString folder = QString::fromStdString(platform::RuntimeDir());
    if (folder.isEmpty()) {
        std::fprintf(stderr, "smsgate: no folder of this user's own for its lock (tried %s)\n",
                     platform::RuntimeDirCandidates().c_str());
        return false;
    }
    const int fd = ::open((folder + "/smsgate.lock").toLocal8Bit().constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "smsgate: cannot open its lock in %s: %s\n", qPrintable(folder),
                     std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "smsgate: another gate is running for this user\n");
        return false;
    }
    return true; // the descriptor stays open for the process's life
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName("smsgate");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Hands TR-101 reports that reach the modem (ModemManager, system bus) to the tarvo "
        "viewer while the rule component is registered.");
    parser.addHelpOption();
    // The viewer keeps its settings beside it, or in the user's configuration
    // folder when installed; smsgate is installed beside the viewer.
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/";
    const QCommandLineOption settings(
        "settings",
        "The viewer's settings.dat, for its tracker number (default: where the viewer beside "
        "smsgate keeps it).",
        "FILE",
        QString::fromStdString(platform::UserFilesFolder(folder, "tarvo") + "settings.dat"));
    const QString state = QString::fromStdString(platform::StateHome());
    const QCommandLineOption log("delivered-log",
                                 "Where the delivered messages are remembered (default "
                                 "$XDG_STATE_HOME/tarvo/smsgate-delivered).",
                                 "FILE",
                                 // Without a home folder the log lives in memory.
                                 state.isEmpty() ? state : state + "/tarvo/smsgate-delivered");
    parser.addOptions({settings, log});
    parser.process(app);
    if (!claimSingleInstance()) {
        return 1;
    }

    Gate gate(QDBusConnection::systemBus(), GateOptions{parser.value(settings), parser.value(log)});
    gate.start();
    // A logout ends the gate; what it delivered last must be in its log.
    platform::WatchTerminationSignals([&app] { app.quit(); });
    const int code = app.exec();
    gate.flush();
    return code;
}
