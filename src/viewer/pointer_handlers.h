// The map under a finger or the pointer: a drag pans it, the wheel and a
// pinch zoom by powers of two, a double tap zooms in. A tap that does not
// move does nothing.
#pragma once

#include "platform/windows/window.h"

// WM_GESTURE: pans, double taps and two-finger zooms; others go to the
// default window procedure.
LRESULT OnGesture(HWND hwnd, WPARAM wParam, LPARAM lParam);

// WM_MOUSEWHEEL: a notch away from the user zooms in, towards the user out.
LRESULT OnMouseWheel(WPARAM wParam);
