#include "gdi.h"

#include "dc_internal.h"

#include <QPainter>

COLORREF GetSysColor(int index) {
    switch (index & ~SYS_COLOR_INDEX_FLAG) {
    case COLOR_WINDOW & ~SYS_COLOR_INDEX_FLAG:
        return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT & ~SYS_COLOR_INDEX_FLAG:
        return RGB(0, 0, 0);
    default:
        return RGB(192, 192, 192);
    }
}

namespace {

QColor brushColour(HBRUSH brush) {
    auto value = reinterpret_cast<std::uintptr_t>(brush);
    COLORREF c = GetSysColor(int(value - 1));
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (dc == nullptr || dc->painter == nullptr || rect == nullptr) {
        return 0;
    }
    QRect r = platform::ToQRect(*rect);
    if (!r.isEmpty()) {
        dc->painter->fillRect(r, brushColour(brush));
    }
    return 1;
}

int SaveDC(HDC dc) {
    if (dc == nullptr || dc->painter == nullptr) {
        return 0;
    }
    dc->painter->save();
    return ++dc->savedStates;
}

BOOL RestoreDC(HDC dc, int saved) {
    if (dc == nullptr || dc->painter == nullptr || dc->savedStates == 0) {
        return FALSE;
    }
    int target = saved < 0 ? dc->savedStates + saved + 1 : saved;
    if (target < 1 || target > dc->savedStates) {
        return FALSE;
    }
    while (dc->savedStates >= target) {
        dc->painter->restore();
        --dc->savedStates;
    }
    return TRUE;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (dc == nullptr || dc->painter == nullptr) {
        return 0;
    }
    dc->painter->setClipRect(platform::ToQRect(RECT{left, top, right, bottom}),
                             dc->painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    return 1;
}
