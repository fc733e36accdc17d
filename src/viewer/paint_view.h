// Painting the map view: the tiles, the position text, the red centre cross
// and the yellow cross at the last tracker position.
#pragma once

#include "platform/drawing/gdi.h"

void PaintView(HDC dc);
