#include "paint_view.h"

#include "app_state.h"
#include "view_state.h"

#include "core/coordinate_formats.h"
#include "core/view_geometry.h"

#include "map/map_package.h"

namespace {

constexpr COLORREF kRed = 0x0000FF; // 0x00BBGGRR
constexpr COLORREF kYellow = 0x00FFFF;

// A cross of two 7-pixel strokes, from -3 to +3 around (x, y).
void drawCross(HDC dc, COLORREF colour, int x, int y) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, x - 3, y, nullptr);
    LineTo(dc, x + 4, y);
    MoveToEx(dc, x, y - 3, nullptr);
    LineTo(dc, x, y + 4);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

// Where the last tracker position falls on the screen: the same
// degrees-per-pixel scale the tiles are laid out with.
POINT gpsPosition(const TMapDesc& desc) {
    const float gx = PixelsForDegrees(theView.gpsLongitude - theView.centreLongitude, desc.xscale,
                                      theView.zoom) +
                     float(theApp.viewWidth / 2);
    const float gy =
        PixelsForDegrees(theView.gpsLatitude - theView.centreLatitude, desc.yscale, theView.zoom) +
        float(theApp.viewHeight / 2);
    // Far off-screen positions are clamped well outside the view rather than
    // converted out of range; the cross is clipped away either way.
    auto toInt = [](float v) {
        return !(v == v) ? -100000000 : v > 1e8f ? 100000000 : v < -1e8f ? -100000000 : int(v);
    };
    return POINT{toInt(gx), toInt(gy)};
}

} // namespace

void PaintView(HDC dc) {
    const RECT view{0, 0, theApp.viewWidth, theApp.viewHeight};
    MapPackage& map = *theApp.mapPackage;
    map.draw(dc, theView.centreLongitude, theView.centreLatitude, view, theView.zoom);

    WCHAR text[kPositionTextUnits];
    FormatPositionText(theView.displayFormat, theView.centreLatitude, theView.centreLongitude,
                       text);
    RECT textRect{10, 10, 256, 256};
    DrawText(dc, text, -1, &textRect, DT_LEFT | DT_TOP);

    drawCross(dc, kRed, theApp.viewWidth / 2, theApp.viewHeight / 2);
    const POINT gps = gpsPosition(map.desc);
    drawCross(dc, kYellow, gps.x, gps.y);
}
