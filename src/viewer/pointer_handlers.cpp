#include "pointer_handlers.h"

#include "view_moves.h"
#include "view_state.h"

#include "platform/windows/gesture.h"

namespace {

// A pan moves the centre from where it was when the finger went down, by
// all the finger has moved since: no step is lost or rounded twice.
struct PanStart {
    POINTS at;
    float longitude;
    float latitude;
};
PanStart panStart{};

// A pinch zooms once its fingers are twice (or half) as far apart as when
// the last step was taken.
std::uint64_t pinchBase = 0;

void onPan(const GESTUREINFO& g) {
    if ((g.dwFlags & GF_BEGIN) != 0) {
        panStart = {g.ptsLocation, theView.centreLongitude, theView.centreLatitude};
        return;
    }
    PanFrom(panStart.longitude, panStart.latitude, g.ptsLocation.x - panStart.at.x,
            g.ptsLocation.y - panStart.at.y);
}

void onZoom(const GESTUREINFO& g) {
    if ((g.dwFlags & GF_BEGIN) != 0) {
        pinchBase = g.ullArguments;
        return;
    }
    if ((g.dwFlags & GF_END) != 0 || pinchBase == 0) {
        return;
    }
    if (g.ullArguments >= 2 * pinchBase) {
        ZoomBy(2.0f);
        pinchBase = g.ullArguments;
    } else if (2 * g.ullArguments <= pinchBase) {
        ZoomBy(0.5f);
        pinchBase = g.ullArguments;
    }
}

} // namespace

LRESULT OnGesture(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    GESTUREINFO g{};
    g.cbSize = sizeof g;
    if (!GetGestureInfo(reinterpret_cast<HGESTUREINFO>(lParam), &g)) {
        return DefWindowProc(hwnd, WM_GESTURE, wParam, lParam);
    }
    switch (g.dwID) {
    case GID_PAN:
        onPan(g);
        return 0;
    case GID_ZOOM:
        onZoom(g);
        return 0;
    case GID_DOUBLESELECT:
        ZoomBy(2.0f);
        return 0;
    default:
        return DefWindowProc(hwnd, WM_GESTURE, wParam, lParam);
    }
}

LRESULT OnMouseWheel(WPARAM wParam) {
    const int turn = GET_WHEEL_DELTA_WPARAM(wParam);
    if (turn != 0) {
        ZoomBy(turn > 0 ? 2.0f : 0.5f);
    }
    return 0;
}
