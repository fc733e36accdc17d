// Painting the map view: the tiles, the position text, the red centre cross
// and the yellow cross at the last tracker position.
#pragma once

#include "map/map_desc.h"

#include "platform/drawing/gdi.h"

void PaintView(HDC dc);

// Where a position falls in the view: the same degrees-per-pixel scale the
// tiles are laid out with; far off-screen positions are clamped well outside.
POINT ViewPointOf(const TMapDesc& desc, float longitude, float latitude);
