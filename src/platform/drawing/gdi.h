// Drawing: device contexts, system colours and rectangle fills.
#pragma once

#include "platform/system/types.h"

struct HDC__;
using HDC = HDC__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
using HPEN = HGDIOBJ;
using HBITMAP = HGDIOBJ;

// System colour indices carry this flag on the handset platform; a brush
// value of (index + 1) stands for the solid brush of that system colour.
constexpr int SYS_COLOR_INDEX_FLAG = 0x40000000;
constexpr int COLOR_WINDOW = 5 | SYS_COLOR_INDEX_FLAG;
constexpr int COLOR_WINDOWTEXT = 8 | SYS_COLOR_INDEX_FLAG;

COLORREF GetSysColor(int index);

// Fills the rectangle (right and bottom edges excluded) with the brush.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

// Saves the context's state (its clip region among it); RestoreDC(dc, -1)
// brings back the most recently saved one.
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);

// Limits drawing to the part of the clip region inside the rectangle.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);

constexpr int PS_SOLID = 0;
// A pen of the colour; width 0 or 1 draws one pixel wide.
HPEN CreatePen(int style, int width, COLORREF colour);
// Makes the object (a pen, or a bitmap in a memory context) the context's
// current one and returns the previous.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fails for a stock object and for a bitmap still selected into a context.
BOOL DeleteObject(HGDIOBJ object);

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_PEN = 7;
HGDIOBJ GetStockObject(int index);

// Lines with the current pen, from the current position; the end point is
// left out, as on the handset.
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);

constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_TOP = 0x0000;
// Draws the text (to its terminator when length is -1) from the rectangle's
// top-left corner, one line per line feed, clipped to the rectangle, in the
// context's defaults: black on an opaque white box, the system font.
// Returns the height of the text.
int DrawText(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
// LOGPIXELSX/Y: the context's pixels an inch, 96 at the display's scale 1
// (192 at scale 2); what keeps its physical size scales by this / 96.
int GetDeviceCaps(HDC dc, int index);

// Memory contexts: a bitmap selected into one is drawn on as on a window,
// and BitBlt copies its pixels out. A bitmap is width x height opaque
// pixels, white until drawn on; null when it cannot be made (no memory, or
// a size beyond 2^28 pixels).
HDC CreateCompatibleDC(HDC like);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC like, int width, int height);
constexpr DWORD SRCCOPY = 0x00CC0020;
// Copies the source context's cx x cy pixels at (x1, y1) to (x, y) in the
// destination, as they are (SRCCOPY, the one raster operation there is).
BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC source, int x1, int y1, DWORD rop);
