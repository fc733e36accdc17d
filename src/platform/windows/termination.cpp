// SIGTERM, SIGINT and SIGHUP (a logout, `systemctl stop`, Ctrl-C in a
// terminal) end the program as closing its window from the desktop does, so
// whatever the window saves at its end is saved. The handler only writes the
// signal's number to a pipe; the message loop reads it and does the closing.
#include "termination.h"

#include "window_internal.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace platform {

namespace {

int signalPipe[2] = {-1, -1};
std::function<void()> action;

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Open message boxes are answered first (their loops would otherwise wait
// for a person), then every main window gets the desktop's WM_CLOSE.
void closeAsTheDesktopDoes() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            box->done(QMessageBox::Ok);
        }
    }
    for (;;) {
        HWND hwnd = MainWindow();
        if (hwnd == nullptr) {
            return;
        }
        SendMessage(hwnd, WM_CLOSE, 0, 0);
        if (LiveWindow(hwnd) != nullptr) {
            return; // the window chose to stay
        }
    }
}

} // namespace

bool WatchTerminationSignals(std::function<void()> onSignal) {
    action = std::move(onSignal);
    if (signalPipe[0] >= 0) {
        return true;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[64];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        action();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
    return true;
}

bool InstallTerminationSignals() {
    return WatchTerminationSignals(closeAsTheDesktopDoes);
}

} // namespace platform
