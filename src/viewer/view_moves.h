// What moves the view, whatever asks for it: the keys, the pointer, a
// finger, the wheel. Each change repaints the view.
#pragma once

// Invalidates the whole view without erasing it; it is drawn on the next
// WM_PAINT.
void RepaintView();

// The zoom the view keeps to: T = 256 x zoom stays between 16 and 4096
// pixels, which the layout draws and paints quickly.
constexpr float kMinZoom = 1.0f / 16;
constexpr float kMaxZoom = 16.0f;

// Doubles or halves the zoom about the view centre; a step past a bound
// leaves the zoom, and the picture, as they are. False then.
bool ZoomBy(float factor);

// Moves the centre by whole steps of 30 screen pixels at the current zoom,
// as a direction key does: -1 or 1 in one of the two directions.
void PanByKey(int columns, int rows);

// Puts the centre where it was at `from` less `dx`, `dy` screen pixels: the
// map point that was under the pointer stays under it, to the pixel.
void PanFrom(float fromLongitude, float fromLatitude, int dx, int dy);
