// A client area's pointer, finger and wheel input, turned into what a touch
// handset's window gets: the left button's down, move and up (a finger is
// the left button), the wheel's notches, and gestures: a pan once the
// pointer moves past a few pixels, a double tap, a two-finger zoom. Every
// message is posted, so that it keeps its place among the keys. Positions
// are client pixels.
#pragma once

#include "gesture.h"

#include <QPoint>
#include <chrono>

namespace platform {

class PointerInput {
public:
    explicit PointerInput(HWND hwnd) : hwnd_(hwnd) {}

    // The mouse's left button or one finger. `panThreshold` is how far it
    // may move, in client pixels, before the movement is a pan.
    void press(QPoint at, int panThreshold);
    void move(QPoint at);
    void release(QPoint at);
    // A second tap (or click) soon after the first, near it.
    void doubleTap(QPoint at);
    // Two fingers: the pinch starts, goes on, or ends.
    void pinch(QPoint a, QPoint b);
    void endPinch();
    // The wheel turned by `angle` eighths of a degree; a notch is 120.
    void wheel(int angle, QPoint at);

private:
    void post(UINT message, WPARAM wParam, QPoint at);
    void gesture(DWORD id, DWORD flags, QPoint at, std::uint64_t arguments = 0);

    HWND hwnd_;
    bool down_ = false;
    bool panning_ = false;
    bool pinching_ = false;
    int threshold_ = 0;
    QPoint start_;
    int wheelRest_ = 0;
    DWORD sequence_ = 0;
};

// Posts a gesture message to the window; its details are freed once it has
// been handled (DispatchMessage) or dropped.
void PostGesture(HWND hwnd, const GESTUREINFO& info);
// Frees a gesture's details after its message was dispatched.
void ReleaseGestureMessage(const MSG& msg);

} // namespace platform
