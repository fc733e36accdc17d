// What the viewer's forms share: while one is open its own soft-key bar
// stands in for the main window's, and every way out brings that back.
#pragma once

#include "platform/window.h"

// Hides the main soft-key bar, gives the form the bar of menu `menuId` with
// the Back key reported to the form (WM_HOTKEY, presses and releases), and
// sizes the form to the full screen. False when the bar cannot be created.
bool SetUpFormBar(HWND form, int menuId);

// Ends the form with the result and shows the main soft-key bar again.
void EndForm(HWND form, int result);
