// Gestures, as a touch handset's gesture API reports them: WM_GESTURE with
// the gesture's identifier in wParam and a handle to its details in lParam,
// valid while the message is handled. A gesture comes as GID_BEGIN, then
// one or more messages of its kind (GF_BEGIN on the first, GF_END on the
// last), then GID_END. What a window does not handle, DefWindowProc ignores.
#pragma once

#include "window.h"

#include <cstdint>

constexpr DWORD GID_BEGIN = 1;
constexpr DWORD GID_END = 2;
// Two fingers moving apart or together: ullArguments is the distance
// between them in client pixels, and ptsLocation the point between them.
constexpr DWORD GID_ZOOM = 3;
// A finger (or the pointer with its button held) moving: ptsLocation is
// where it is; with GF_BEGIN, where it went down.
constexpr DWORD GID_PAN = 4;
// Two taps in quick succession at about one place: ptsLocation is where.
constexpr DWORD GID_DOUBLESELECT = 11;

constexpr DWORD GF_BEGIN = 0x01;
constexpr DWORD GF_INERTIA = 0x02;
constexpr DWORD GF_END = 0x04;

struct POINTS {
    short x;
    short y;
};

struct HGESTUREINFO__;
using HGESTUREINFO = HGESTUREINFO__*;

struct GESTUREINFO {
    UINT cbSize;
    DWORD dwFlags;
    DWORD dwID;
    HWND hwndTarget;
    POINTS ptsLocation; // client pixels
    DWORD dwInstanceID;
    DWORD dwSequenceID;
    std::uint64_t ullArguments;
    UINT cbExtraArgs;
};

// Copies the gesture's details; cbSize must be set. FALSE for a handle that
// is no longer valid.
BOOL GetGestureInfo(HGESTUREINFO handle, GESTUREINFO* info);
// Frees the details early; the platform frees them anyway once the message
// has been handled.
BOOL CloseGestureInfoHandle(HGESTUREINFO handle);
