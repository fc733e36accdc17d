// The main window: its procedure routes each message to a named handler.
#pragma once

#include "platform/windows/menu.h"
#include "platform/windows/window.h"

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Invalidates the whole view without erasing it; it is drawn on the next
// WM_PAINT.
void RepaintView();

// Sets the check marks of both format groups on a popup about to open.
void UpdateMenuChecks(HMENU menu);

// The zoom the keys keep to: T = 256 x zoom stays between 16 and 4096
// pixels, which the layout draws and paints quickly.
constexpr float kMinZoom = 1.0f / 16;
constexpr float kMaxZoom = 16.0f;

// The character key that zooms out ('1' zooms in).
#ifdef TARVO_POCKETPC
constexpr char kZoomOutKey = '3';
#else
constexpr char kZoomOutKey = '2';
#endif
