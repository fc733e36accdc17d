#include "view_moves.h"

#include "app_state.h"
#include "view_state.h"

#include "core/view_geometry.h"

#include "map/map_package.h"

void RepaintView() {
    InvalidateRect(theApp.mainWindow, nullptr, FALSE);
}

bool ZoomBy(float factor) {
    const float zoom = theView.zoom * factor;
    if (zoom < kMinZoom || zoom > kMaxZoom) {
        return false;
    }
    theView.zoom = zoom;
    RepaintView();
    return true;
}

void PanByKey(int columns, int rows) {
    const TMapDesc& desc = theApp.mapPackage->desc;
    if (columns != 0) {
        theView.centreLongitude =
            theView.centreLongitude +
            float(columns) * DegreesForPixels(30.0f, desc.xscale, theView.zoom);
    }
    if (rows != 0) {
        theView.centreLatitude = theView.centreLatitude +
                                 float(rows) * DegreesForPixels(30.0f, desc.yscale, theView.zoom);
    }
    RepaintView();
}

void PanFrom(float fromLongitude, float fromLatitude, int dx, int dy) {
    const TMapDesc& desc = theApp.mapPackage->desc;
    theView.centreLongitude =
        fromLongitude - DegreesForPixels(float(dx), desc.xscale, theView.zoom);
    theView.centreLatitude = fromLatitude - DegreesForPixels(float(dy), desc.yscale, theView.zoom);
    RepaintView();
}
