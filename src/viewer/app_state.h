// The process-wide application state, created at start-up and used on the UI
// thread only.
#pragma once

#include "platform/system/kernel.h"
#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"
#include "platform/windows/window.h"

#include <cstdint>

class MapPackage;

constexpr int kTrackerNumberUnits = 260;

struct AppState {
    MapPackage* mapPackage; // the opened map, owned by start-up; closed as the program ends
    HWND mainWindow;
    std::uint8_t placeInInbox; // 1: reports may stay in the inbox; 0: "Don't place to inbox"
    std::int32_t viewHeight;   // the map view: screen height less caption and soft-key bar
    HINSTANCE instance;
    std::int32_t viewWidth;
    GXKeyList keys;                           // the device's default game keys
    HWND menuBar;                             // the main window's soft-key bar
    HANDLE inboxSignal;                       // the "tarvomutex" handle while this process holds it
    WCHAR trackerNumber[kTrackerNumberUnits]; // the tracker's phone number, terminated
#ifdef TARVO_POCKETPC
    SHACTIVATEINFO activateInfo; // kept by the shell's activation handling
#endif
};

extern AppState theApp;
