#include "main_window.h"

#include "answers_menu.h"
#include "app_state.h"
#include "commands.h"
#include "paint_view.h"
#include "pointer_handlers.h"
#include "startup.h"
#include "tracker_report.h"
#include "trail.h"
#include "view_moves.h"
#include "view_state.h"

#include "core/view_geometry.h"

#include "map/map_package.h"
#include "viewer/res/resource_ids.h"

#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

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

// The view follows the window: a new size (from the user, the shell, a
// rotation) is painted whole at once.
LRESULT onSize(LPARAM lParam) {
    theApp.viewWidth = GET_X_LPARAM(lParam);
    theApp.viewHeight = GET_Y_LPARAM(lParam);
    RepaintView();
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
    if (key == k.vkUp) {
        PanByKey(0, -1);
    } else if (key == k.vkDown) {
        PanByKey(0, 1);
    } else if (key == k.vkLeft) {
        PanByKey(-1, 0);
    } else if (key == k.vkRight) {
        PanByKey(1, 0);
    } else if (key == '1') {
        ZoomBy(2.0f);
    } else if (key == kZoomOutKey) {
        ZoomBy(0.5f);
    } else if (key == k.vkA) {
        ZoomBy(2.0f);
    } else if (key == k.vkB) {
        ZoomBy(0.5f);
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
    const HMENU popup = reinterpret_cast<HMENU>(wParam);
    UpdateMenuChecks(popup);
    if (IsAnswersMenu(popup)) {
        FillAnswersMenu(popup);
    }
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
    CheckMenuItem(menu, IDM_TRAIL, MF_BYCOMMAND | (TrailShown() ? MF_CHECKED : MF_UNCHECKED));
}

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(hwnd);
    case WM_DESTROY:
        return onDestroy();
    case WM_SIZE:
        return onSize(lParam);
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
    case WM_GESTURE:
        return OnGesture(hwnd, wParam, lParam);
    case WM_MOUSEWHEEL:
        return OnMouseWheel(wParam);
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
