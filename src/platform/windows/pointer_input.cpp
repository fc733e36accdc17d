#include "pointer_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace platform {

namespace {

// Gesture details by handle: a number, never a pointer, so that a stale
// handle finds nothing.
std::map<std::uintptr_t, GESTUREINFO>& gestures() {
    static std::map<std::uintptr_t, GESTUREINFO> table;
    return table;
}

std::uintptr_t nextHandle = 1;

POINTS pointsOf(QPoint p) {
    auto clamp = [](int v) { return short(std::max(-32768, std::min(32767, v))); };
    return POINTS{clamp(p.x()), clamp(p.y())};
}

std::uint64_t distance(QPoint a, QPoint b) {
    const double dx = a.x() - b.x(), dy = a.y() - b.y();
    return std::uint64_t(std::lround(std::sqrt(dx * dx + dy * dy)));
}

} // namespace

void PostGesture(HWND hwnd, const GESTUREINFO& info) {
    const std::uintptr_t handle = nextHandle++;
    gestures()[handle] = info;
    if (!PostMessage(hwnd, WM_GESTURE, info.dwID, LPARAM(handle))) {
        gestures().erase(handle);
    }
}

void ReleaseGestureMessage(const MSG& msg) {
    if (msg.message == WM_GESTURE) {
        CloseGestureInfoHandle(reinterpret_cast<HGESTUREINFO>(msg.lParam));
    }
}

void PointerInput::post(UINT message, WPARAM wParam, QPoint at) {
    PostMessage(hwnd_, message, wParam, MAKELPARAM(at.x(), at.y()));
}

void PointerInput::gesture(DWORD id, DWORD flags, QPoint at, std::uint64_t arguments) {
    GESTUREINFO info{};
    info.cbSize = sizeof info;
    info.dwFlags = flags;
    info.dwID = id;
    info.hwndTarget = hwnd_;
    info.ptsLocation = pointsOf(at);
    info.dwSequenceID = ++sequence_;
    info.ullArguments = arguments;
    PostGesture(hwnd_, info);
}

void PointerInput::press(QPoint at, int panThreshold) {
    down_ = true;
    panning_ = false;
    start_ = at;
    threshold_ = panThreshold;
    post(WM_LBUTTONDOWN, MK_LBUTTON, at);
}

// A pan starts where the pointer went down, so the first pan message
// carries the distance moved within the threshold too.
void PointerInput::move(QPoint at) {
    if (!down_ || pinching_) {
        return;
    }
    post(WM_MOUSEMOVE, MK_LBUTTON, at);
    if (!panning_ && (at - start_).manhattanLength() > threshold_) {
        panning_ = true;
        gesture(GID_BEGIN, 0, start_);
        gesture(GID_PAN, GF_BEGIN, start_);
    }
    if (panning_) {
        gesture(GID_PAN, 0, at);
    }
}

void PointerInput::release(QPoint at) {
    if (!down_) {
        return;
    }
    down_ = false;
    post(WM_LBUTTONUP, 0, at);
    if (panning_) {
        panning_ = false;
        gesture(GID_PAN, GF_END, at);
        gesture(GID_END, 0, at);
    }
}

void PointerInput::doubleTap(QPoint at) {
    gesture(GID_BEGIN, 0, at);
    gesture(GID_DOUBLESELECT, GF_BEGIN | GF_END, at);
    gesture(GID_END, 0, at);
}

// A second finger ends any pan of the first: the pinch takes over.
void PointerInput::pinch(QPoint a, QPoint b) {
    const QPoint middle = (a + b) / 2;
    if (!pinching_) {
        if (down_) {
            release(a);
        }
        pinching_ = true;
        gesture(GID_BEGIN, 0, middle);
        gesture(GID_ZOOM, GF_BEGIN, middle, distance(a, b));
        return;
    }
    gesture(GID_ZOOM, 0, middle, distance(a, b));
}

void PointerInput::endPinch() {
    if (pinching_) {
        pinching_ = false;
        gesture(GID_ZOOM, GF_END, QPoint(), 0);
        gesture(GID_END, 0, QPoint());
    }
}

// Wheels that turn in fractions of a notch (touchpads) add up to notches.
void PointerInput::wheel(int angle, QPoint at) {
    wheelRest_ += angle;
    while (std::abs(wheelRest_) >= WHEEL_DELTA) {
        const int notch = wheelRest_ > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
        wheelRest_ -= notch;
        PostMessage(hwnd_, WM_MOUSEWHEEL, WPARAM(MAKELONG(0, WORD(short(notch)))),
                    MAKELPARAM(at.x(), at.y()));
    }
}

} // namespace platform

BOOL GetGestureInfo(HGESTUREINFO handle, GESTUREINFO* info) {
    auto& table = platform::gestures();
    auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.end() || info == nullptr || info->cbSize < sizeof(GESTUREINFO)) {
        return FALSE;
    }
    *info = it->second;
    return TRUE;
}

BOOL CloseGestureInfoHandle(HGESTUREINFO handle) {
    return platform::gestures().erase(reinterpret_cast<std::uintptr_t>(handle)) != 0 ? TRUE : FALSE;
}
