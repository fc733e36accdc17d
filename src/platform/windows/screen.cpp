// The emulated handset screen: its size, chosen by --screen or TARVO_SCREEN,
// and the metrics the program reads from it.
#include "screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

namespace {

// The soft-key bar's height beside a window that fills a display: what it
// is on the handset's 320-pixel screen.
constexpr int kBarHeight = 26;

std::string& screenChoice() {
    static std::string choice;
    return choice;
}

bool parseScreen(const std::string& choice, ScreenLayout* r) {
    if (choice == "full") {
        // The display's free area, all of it: the window manager (if any)
        // maximises the window into it.
        QScreen* display = qApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
        if (display == nullptr) {
            return false;
        }
        const QSize area = display->availableSize();
        *r = ScreenLayout{std::max(64, area.width()), std::max(96, area.height()), 0, kBarHeight,
                          true};
        return true;
    }
    int w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(choice.c_str(), "%dx%d%c", &w, &h, &rest) != 2 || w < 64 || h < 96 ||
        w > 8192 || h > 8192) {
        return false;
    }
    // The handset's status bar and soft-key bar, scaled with its screen.
    *r = ScreenLayout{w, h, h * 20 / 320, h * 26 / 320, false};
    return true;
}

double pixelRatio() {
    QScreen* display = qApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
    return display != nullptr ? display->devicePixelRatio() : 1.0;
}

int devicePixels(int logical) {
    return int(std::lround(logical * pixelRatio()));
}

} // namespace

const ScreenLayout& EmulatedScreen() {
    static const ScreenLayout s = [] {
        ScreenLayout r;
        const char* env = std::getenv("TARVO_SCREEN");
        const std::string choice = !screenChoice().empty() ? screenChoice()
                                   : env != nullptr        ? env
                                                           : "240x320";
        if (!parseScreen(choice, &r)) {
            parseScreen("240x320", &r);
        }
        return r;
    }();
    return s;
}

bool SetEmulatedScreen(const std::string& choice) {
    ScreenLayout probe;
    const bool valid = choice == "full" || parseScreen(choice, &probe);
    if (valid) {
        screenChoice() = choice;
    }
    return valid;
}

void FillDisplay(QWidget* frame) {
    if (QScreen* display = QGuiApplication::primaryScreen()) {
        frame->setGeometry(display->availableGeometry());
    }
    frame->showMaximized();
}

} // namespace platform

// In the display's own pixels, as a handset with a high-resolution screen
// reports them.
int GetSystemMetrics(int index) {
    const platform::ScreenLayout& s = platform::EmulatedScreen();
    switch (index) {
    case SM_CXSCREEN:
        return platform::devicePixels(s.width);
    case SM_CYSCREEN:
        return platform::devicePixels(s.height);
    case SM_CYCAPTION:
        return platform::devicePixels(s.caption);
    case SM_CYMENU:
        return platform::devicePixels(s.bar);
    default:
        return 0;
    }
}
