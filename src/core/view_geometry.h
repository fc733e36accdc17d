// Screen pixels and degrees. At a zoom, one screen pixel spans scale / zoom
// degrees, `scale` being the map's degrees per map pixel: xscale for
// longitude, yscale for latitude (negative on a north-up map). The pan of a
// key or a drag, the tile layout and the crosses all convert here, in single
// precision and in this order of operations, so that they agree to the bit.
#pragma once

// The degrees that `pixels` screen pixels span: (pixels x scale) / zoom.
inline float DegreesForPixels(float pixels, float scale, float zoom) {
    return (pixels * scale) / zoom;
}

// The screen pixels that `degrees` span: degrees / (scale / zoom).
inline float PixelsForDegrees(float degrees, float scale, float zoom) {
    return degrees / (scale / zoom);
}

// The edge of a view `size` pixels across whose middle shows `centre`:
// centre - (size x 0.5) x (scale / zoom); the left edge with xscale, the top
// with yscale.
inline float ViewEdge(float centre, int size, float scale, float zoom) {
    return centre - (float(size) * 0.5f) * (scale / zoom);
}
