// The emulated handset screen: its size, chosen by --screen or TARVO_SCREEN,
// and the metrics the program reads from it.
#include "window.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

namespace {

struct Screen {
    int width = 240;
    int height = 320;
};

std::string& screenChoice() {
    static std::string choice;
    return choice;
}

bool parseScreen(const std::string& choice, Screen* r) {
    if (choice == "full") {
        // The display's free area, less the title bar the desktop adds.
        QScreen* display = qApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
        if (display == nullptr) {
            return false;
        }
        const QSize area = display->availableSize();
        const int title = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
        r->width = std::max(64, area.width());
        r->height = std::max(96, area.height() - title);
        return true;
    }
    int w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(choice.c_str(), "%dx%d%c", &w, &h, &rest) != 2 || w < 64 || h < 96 ||
        w > 8192 || h > 8192) {
        return false;
    }
    r->width = w;
    r->height = h;
    return true;
}

Screen screen() {
    static Screen s = [] {
        Screen r;
        const char* env = std::getenv("TARVO_SCREEN");
        const std::string choice = !screenChoice().empty() ? screenChoice()
                                   : env != nullptr        ? env
                                                           : "";
        if (!choice.empty() && !parseScreen(choice, &r)) {
            r = Screen{};
        }
        return r;
    }();
    return s;
}

} // namespace

bool SetEmulatedScreen(const std::string& choice) {
    Screen probe;
    const bool valid = choice == "full" || parseScreen(choice, &probe);
    if (valid) {
        screenChoice() = choice;
    }
    return valid;
}

} // namespace platform

int GetSystemMetrics(int index) {
    const platform::Screen s = platform::screen();
    switch (index) {
    case SM_CXSCREEN:
        return s.width;
    case SM_CYSCREEN:
        return s.height;
    case SM_CYCAPTION:
        return s.height * 20 / 320; // the handset's status bar, scaled with the screen
    case SM_CYMENU:
        return s.height * 26 / 320; // the soft-key bar
    default:
        return 0;
    }
}
