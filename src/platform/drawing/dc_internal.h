// What a device context is on this platform: a QPainter that draws on a
// window's backing store or an offscreen image. Only platform/ sees this.
#pragma once

#include "gdi.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdint>
#include <memory>

class QPainter;

struct HGDIOBJ__ {
    enum class Kind { Pen, Brush, Bitmap } kind;
    COLORREF colour;
    int width;
    bool stock;
    QImage pixels = {};    // a bitmap's
    bool selected = false; // a bitmap in a memory context is not deleted
};

struct HDC__ {
    QPainter* painter = nullptr;
    int savedStates = 0;   // SaveDC levels not yet restored
    HGDIOBJ pen = nullptr; // null: the stock black pen
    POINT position{0, 0};
    int pixelsPerInch = 96; // the display's scale x 96
    // A memory context's: the bitmap it draws on, and its own painter there.
    HGDIOBJ bitmap = nullptr;
    std::unique_ptr<QPainter> ownPainter;
};

namespace platform {

// A RECT as a QRect. Coordinates are clamped to a range in which width and
// height cannot overflow; no device is anywhere near that large.
inline QRect ToQRect(const RECT& r) {
    auto clamp = [](std::int64_t v) {
        constexpr std::int64_t limit = 1 << 28;
        return int(std::clamp<std::int64_t>(v, -limit, limit));
    };
    const int left = clamp(r.left);
    const int top = clamp(r.top);
    return QRect(left, top, clamp(r.right) - left, clamp(r.bottom) - top);
}

// Selects the bitmap into a memory context (SelectObject's part for
// bitmaps): null, and nothing changed, for a context that is none.
HGDIOBJ SelectBitmap(HDC dc, HGDIOBJ bitmap);

} // namespace platform
