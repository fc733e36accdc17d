// The emulated handset screen, in the display's logical pixels: a window
// that fills it below the handset's status bar (which the desktop's title
// bar stands in for), or, with "full", the display's whole free area.
#pragma once

#include "window.h"

class QWidget;

namespace platform {

struct ScreenLayout {
    int width = 240;
    int height = 320;
    int caption = 20; // the status bar above the window
    int bar = 26;     // the soft-key bar at the window's bottom
    bool full = false;
};

const ScreenLayout& EmulatedScreen();

// Shows a top-level window over the display's whole free area: maximised
// where a window manager places windows, and placed there where none does.
void FillDisplay(QWidget* frame);

} // namespace platform
