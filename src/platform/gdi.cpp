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
