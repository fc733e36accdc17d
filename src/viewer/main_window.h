// The main window: its procedure routes each message to a named handler.
#pragma once

#include "platform/windows/menu.h"
#include "platform/windows/window.h"

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the check marks of both format groups on a popup about to open.
void UpdateMenuChecks(HMENU menu);

// The character key that zooms out ('1' zooms in).
#ifdef TARVO_POCKETPC
constexpr char kZoomOutKey = '3';
#else
constexpr char kZoomOutKey = '2';
#endif
