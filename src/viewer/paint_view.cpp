#include "paint_view.h"

#include "app_state.h"
#include "trail.h"
#include "view_state.h"

#include "core/coordinate_formats.h"
#include "core/view_geometry.h"

#include "map/map_package.h"

#include <algorithm>

namespace {

constexpr COLORREF kRed = 0x0000FF; // 0x00BBGGRR
constexpr COLORREF kYellow = 0x00FFFF;

// What keeps its physical size on a scaled display (the crosses, the text
// box) is drawn at the display's scale: 1 at 96 pixels an inch.
int displayScale(HDC dc) {
    return std::max(1, (GetDeviceCaps(dc, LOGPIXELSX) + 48) / 96);
}

// A cross of two 7-pixel strokes, from -3 to +3 around (x, y), at scale 1.
void drawCross(HDC dc, COLORREF colour, int x, int y, int scale) {
    HPEN pen = CreatePen(PS_SOLID, scale, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    const int arm = 3 * scale;
    MoveToEx(dc, x - arm, y, nullptr);
    LineTo(dc, x + arm + 1, y);
    MoveToEx(dc, x, y - arm, nullptr);
    LineTo(dc, x, y + arm + 1);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

} // namespace

POINT ViewPointOf(const TMapDesc& desc, float longitude, float latitude) {
    const float x =
        PixelsForDegrees(longitude - theView.centreLongitude, desc.xscale, theView.zoom) +
        float(theApp.viewWidth / 2);
    const float y = PixelsForDegrees(latitude - theView.centreLatitude, desc.yscale, theView.zoom) +
                    float(theApp.viewHeight / 2);
    // Far off-screen positions are clamped well outside the view rather than
    // converted out of range; what is drawn there is clipped away either way.
    auto toInt = [](float v) {
        return !(v == v) ? -100000000 : v > 1e8f ? 100000000 : v < -1e8f ? -100000000 : int(v);
    };
    return POINT{toInt(x), toInt(y)};
}

void PaintView(HDC dc) {
    const RECT view{0, 0, theApp.viewWidth, theApp.viewHeight};
    MapPackage& map = *theApp.mapPackage;
    map.draw(dc, theView.centreLongitude, theView.centreLatitude, view, theView.zoom);
    const int scale = displayScale(dc);
    DrawTrails(dc, map.desc, scale);

    WCHAR text[kPositionTextUnits];
    FormatPositionText(theView.displayFormat, theView.centreLatitude, theView.centreLongitude,
                       text);
    RECT textRect{10 * scale, 10 * scale, 256 * scale, 256 * scale};
    DrawText(dc, text, -1, &textRect, DT_LEFT | DT_TOP);

    drawCross(dc, kRed, theApp.viewWidth / 2, theApp.viewHeight / 2, scale);
    const POINT gps = ViewPointOf(map.desc, theView.gpsLongitude, theView.gpsLatitude);
    drawCross(dc, kYellow, gps.x, gps.y, scale);
}
