// The view: where the map is centred, the last tracker position, the zoom and
// the two coordinate notations. One record for the process, used on the UI
// thread only.
#pragma once

#include "core/coordinate_formats.h"

#include <cstdint>

struct ViewState {
    float centreLongitude; // decimal degrees, the view centre
    float centreLatitude;
    float gpsLongitude; // the last position the tracker reported
    float gpsLatitude;
    std::int32_t displayFormat; // a DisplayFormat: the position text's notation
    float zoom;                 // screen pixels per map pixel
    std::int32_t inputFormat;   // an InputFormat: the go-to dialog's notation
};

// The last tracker position before any report or settings file.
constexpr float kInitialGpsLongitude = 30.61834f;
constexpr float kInitialGpsLatitude = 50.40301f;

extern ViewState theView;
