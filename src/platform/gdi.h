// Drawing: device contexts, system colours and rectangle fills.
#pragma once

#include "types.h"

struct HDC__;
using HDC = HDC__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;

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
