#include "commands.h"

#include "answers_menu.h"
#include "app_state.h"
#include "goto_dialog.h"
#include "main_window.h"
#include "tracker_report.h"
#include "trail.h"
#include "view_moves.h"
#include "view_state.h"

#include "map/map_package.h"
#include "viewer/res/resource_ids.h"
#include "viewer/res/resources.h"

namespace {

void goToLastGps() {
    theView.centreLongitude = theView.gpsLongitude;
    theView.centreLatitude = theView.gpsLatitude;
    RepaintView();
}

void goToCentre() {
    const TMapDesc& d = theApp.mapPackage->desc;
    theView.centreLongitude = (d.right + d.left) * 0.5f;
    theView.centreLatitude = (d.bottom + d.top) * 0.5f;
    theView.zoom = 1.0f;
    RepaintView();
}

void showAbout(HWND hwnd) {
    MessageBox(hwnd, kAboutText, u"About", MB_OK);
}

} // namespace

bool HandleCommand(HWND hwnd, UINT id) {
    if (id >= IDM_DISPLAY_OFF && id <= IDM_DISPLAY_DMS) {
        theView.displayFormat = std::int32_t(id - IDM_DISPLAY_OFF);
        RepaintView();
        return true;
    }
    if (id >= IDM_INPUT_DEGREES && id <= IDM_INPUT_DMS) {
        theView.inputFormat = std::int32_t(id - IDM_INPUT_DEGREES);
        RepaintView();
        return true;
    }
    if (OnAnswersCommand(id)) {
        return true;
    }
    switch (id) {
    case IDM_GOTO_LOCATION:
        OpenGotoDialog();
        return true;
    case IDM_REQUEST_POS:
        RequestTrackerPosition();
        return true;
    case IDM_UNINSTALL:
        UninstallRuleComponent();
        return true;
    case IDM_TRAIL:
        SetTrailShown(!TrailShown());
        RepaintView();
        return true;
    case IDM_GOTO_LAST_GPS:
        goToLastGps();
        return true;
    case IDM_GOTO_CENTER:
        goToCentre();
        return true;
    case IDM_ABOUT:
        showAbout(hwnd);
        return true;
    case IDM_EXIT:
        DestroyWindow(hwnd);
        return true;
    default:
        return false;
    }
}
