#include "main_window.h"

#include "app_state.h"
#include "commands.h"
#include "paint_view.h"
#include "startup.h"
#include "tracker_report.h"
#include "view_state.h"

#include "core/view_geometry.h"

#include "map/map_package.h"
#include "viewer/res/resource_ids.h"

#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

void RepaintView() {
    InvalidateRect(theApp.mainWindow, nullptr, FALSE);
}

namespace {

LRESULT onCreate(HWND hwnd) {
    SHMENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    bar.hwndParent = hwnd;
    bar.dwFlags = SHCMBF_HMENU;
    bar.nToolBarId = IDR_MAIN_MENU;
    bar.hInstRes = theApp.instance;
    SHCreateMenuBar(&bar);
    theApp.menuBar = bar.hwndMB;
    return 0;
}

LRESULT onDestroy() {
    DestroyWindow(theApp.menuBar);
    ShutdownApp();
    PostQuitMessage(0);
    return 0;
}

LRESULT onPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc != nullptr) {
        PaintView(dc);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

// A key pans 30 screen pixels at the current zoom.
void pan(float* coordinate, float scale, float direction) {
    *coordinate = *coordinate + direction * DegreesForPixels(30.0f, scale, theView.zoom);
    RepaintView();
}

// Doubles or halves the zoom about the view centre; a step past a bound
// leaves the zoom, and the picture, as they are.
void zoomBy(float factor) {
    const float zoom = theView.zoom * factor;
    if (zoom < kMinZoom || zoom > kMaxZoom) {
        return;
    }
    theView.zoom = zoom;
    RepaintView();
}

void goHome() {
    HWND home = FindWindow(u"DesktopExplorerWindow", nullptr);
    if (home != nullptr && IsWindow(home)) {
        ShowWindow(home, SW_SHOWNA);
        SetForegroundWindow(WithOwnedWindows(home));
    }
}

// The first matching row wins; every key is consumed here.
LRESULT onKeyDown(WPARAM wParam) {
    const auto key = short(LOWORD(wParam));
    const GXKeyList& k = theApp.keys;
    const TMapDesc& desc = theApp.mapPackage->desc;
    if (key == k.vkUp) {
        pan(&theView.centreLatitude, desc.yscale, -1.0f);
    } else if (key == k.vkDown) {
        pan(&theView.centreLatitude, desc.yscale, 1.0f);
    } else if (key == k.vkLeft) {
        pan(&theView.centreLongitude, desc.xscale, -1.0f);
    } else if (key == k.vkRight) {
        pan(&theView.centreLongitude, desc.xscale, 1.0f);
    } else if (key == '1') {
        zoomBy(2.0f);
    } else if (key == kZoomOutKey) {
        zoomBy(0.5f);
    } else if (key == k.vkA) {
        zoomBy(2.0f);
    } else if (key == k.vkB) {
        zoomBy(0.5f);
    } else if (key == k.vkC || key == k.vkStart || key == VK_TTALK || key == VK_TEND) {
        // no effect
    } else if (key == VK_TBACK) {
        SHNavigateBack();
    } else if (key == VK_LWIN) {
        goHome();
    }
    return 0;
}

LRESULT onCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleCommand(hwnd, LOWORD(wParam))) {
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

LRESULT onInitMenuPopup(WPARAM wParam) {
    UpdateMenuChecks(reinterpret_cast<HMENU>(wParam));
    return 0;
}

} // namespace

void UpdateMenuChecks(HMENU menu) {
    for (UINT id = IDM_DISPLAY_OFF; id <= IDM_DISPLAY_DMS; ++id) {
        const bool on = theView.displayFormat == std::int32_t(id - IDM_DISPLAY_OFF);
        CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    for (UINT id = IDM_INPUT_DEGREES; id <= IDM_INPUT_DMS; ++id) {
        const bool on = theView.inputFormat == std::int32_t(id - IDM_INPUT_DEGREES);
        CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
}

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(hwnd);
    case WM_DESTROY:
        return onDestroy();
    case WM_PAINT:
        return onPaint(hwnd);
    case WM_COPYDATA:
        return OnTrackerCopyData(hwnd, lParam);
    case WM_KEYDOWN:
        return onKeyDown(wParam);
    case WM_COMMAND:
        return onCommand(hwnd, message, wParam, lParam);
    case WM_INITMENUPOPUP:
        return onInitMenuPopup(wParam);
#ifdef TARVO_POCKETPC
    case WM_ACTIVATE:
        SHHandleWMActivate(hwnd, wParam, lParam, &theApp.activateInfo, 0);
        return 0;
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(hwnd, wParam, lParam, &theApp.activateInfo);
        return 0;
#endif
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}
