#include "gdi.h"

#include "dc_internal.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStaticText>
#include <cstdlib>
#include <vector>

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

// A brush value is either a system colour index plus one (with the flag) or
// a brush object.
QColor brushColour(HBRUSH brush) {
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    COLORREF c = RGB(0, 0, 0);
    if ((value & SYS_COLOR_INDEX_FLAG) != 0 && value < std::uintptr_t(SYS_COLOR_INDEX_FLAG) + 64) {
        c = GetSysColor(int(value - 1));
    } else if (value != 0) {
        c = reinterpret_cast<const HGDIOBJ__*>(brush)->colour;
    }
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

namespace {

HGDIOBJ__ stockWhiteBrush{HGDIOBJ__::Kind::Brush, RGB(255, 255, 255), 0, true};
HGDIOBJ__ stockBlackPen{HGDIOBJ__::Kind::Pen, RGB(0, 0, 0), 1, true};

QColor qColour(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Pixels of the line from (x0, y0) to (x1, y1), the end point left out.
// A pen wider than a pixel is centred on the line (an even width lies one
// pixel more above or left of it).
void plotLine(QPainter& p, const QColor& colour, int width, int x0, int y0, int x1, int y1) {
    const int before = width / 2;
    if (y0 == y1) {
        const int from = x1 >= x0 ? x0 : x1 + 1;
        const int to = x1 >= x0 ? x1 : x0 + 1;
        p.fillRect(QRect(from, y0 - before, to - from, width), colour);
        return;
    }
    if (x0 == x1) {
        const int from = y1 >= y0 ? y0 : y1 + 1;
        const int to = y1 >= y0 ? y1 : y0 + 1;
        p.fillRect(QRect(x0 - before, from, width, to - from), colour);
        return;
    }
    // Bresenham for the general case.
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    while (x0 != x1 || y0 != y1) {
        p.fillRect(QRect(x0 - before, y0 - before, width, width), colour);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

} // namespace

HPEN CreatePen(int, int width, COLORREF colour) {
    return new HGDIOBJ__{HGDIOBJ__::Kind::Pen, colour, width < 1 ? 1 : width, false};
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (dc == nullptr || object == nullptr) {
        return nullptr;
    }
    if (object->kind == HGDIOBJ__::Kind::Bitmap) {
        return platform::SelectBitmap(dc, object);
    }
    if (object->kind != HGDIOBJ__::Kind::Pen) {
        return nullptr;
    }
    HGDIOBJ previous = dc->pen != nullptr ? dc->pen : &stockBlackPen;
    dc->pen = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == nullptr || object->stock || object->selected) {
        return FALSE;
    }
    delete object;
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    switch (index) {
    case WHITE_BRUSH:
        return &stockWhiteBrush;
    case BLACK_PEN:
        return &stockBlackPen;
    default:
        return nullptr;
    }
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    if (dc == nullptr) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = dc->position;
    }
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    if (dc == nullptr || dc->painter == nullptr) {
        return FALSE;
    }
    const HGDIOBJ__& pen = dc->pen != nullptr ? *dc->pen : stockBlackPen;
    plotLine(*dc->painter, qColour(pen.colour), pen.width, dc->position.x, dc->position.y, x, y);
    dc->position = POINT{x, y};
    return TRUE;
}

namespace {

// The laid-out lines of the text drawn last. The position text changes only
// when the view moves, and laying text out costs more than drawing it.
struct TextLayout {
    QString text;
    QFont font;
    int lineHeight = 0;
    std::vector<std::pair<QStaticText, int>> lines; // layout and width; empty lines too
};

const TextLayout& layoutOf(const QString& text, const QFont& font) {
    static TextLayout cache;
    if (cache.text == text && cache.font == font && !cache.lines.empty()) {
        return cache;
    }
    const QFontMetrics metrics(font);
    cache = TextLayout{text, font, metrics.height(), {}};
    for (const QString& line : text.split(u'\n')) {
        QStaticText layout(line);
        layout.setTextFormat(Qt::PlainText);
        layout.prepare(QTransform(), font);
        cache.lines.emplace_back(layout, metrics.horizontalAdvance(line));
    }
    return cache;
}

} // namespace

int DrawText(HDC dc, LPCWSTR text, int length, RECT* rect, UINT) {
    if (dc == nullptr || dc->painter == nullptr || text == nullptr || rect == nullptr) {
        return 0;
    }
    const QString all =
        length < 0 ? QString::fromUtf16(text) : QString::fromUtf16(text, qsizetype(length));
    QPainter& p = *dc->painter;
    const TextLayout& layout = layoutOf(all, p.font());
    p.save();
    p.setClipRect(platform::ToQRect(*rect), Qt::IntersectClip);
    p.setPen(Qt::black);
    int y = rect->top;
    for (const auto& [line, width] : layout.lines) {
        if (width > 0) {
            p.fillRect(QRect(rect->left, y, width, layout.lineHeight), Qt::white);
            p.drawStaticText(rect->left, y, line);
        }
        y += layout.lineHeight;
    }
    p.restore();
    return y - rect->top;
}

int GetDeviceCaps(HDC dc, int index) {
    if (dc == nullptr || (index != LOGPIXELSX && index != LOGPIXELSY)) {
        return 0;
    }
    return dc->pixelsPerInch;
}
