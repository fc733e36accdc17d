#include "startup.h"

#include "answers_log.h"
#include "app_state.h"
#include "main_window.h"
#include "program_directory.h"
#include "settings.h"
#include "view_state.h"

#include "core/coordinate_formats.h"
#include "core/tracker_protocol.h"
#include "core/utf8.h"

#include "map/map_package.h"
#include "viewer/res/resource_ids.h"

#include "platform/system/kernel.h"
#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

#include <memory>

namespace {

// The opened map. AppState keeps the plain pointer its users read.
std::unique_ptr<MapPackage> openedMap;

void setInitialView() {
    const TMapDesc& d = theApp.mapPackage->desc;
    theView.centreLongitude = (d.left + d.right) * 0.5f;
    theView.centreLatitude = (d.top + d.bottom) * 0.5f;
    theView.gpsLongitude = kInitialGpsLongitude;
    theView.gpsLatitude = kInitialGpsLatitude;
    theView.displayFormat = kDefaultDisplayFormat;
    theView.zoom = 1.0f;
    theView.inputFormat = kDefaultInputFormat;
}

} // namespace

bool OpenMapAndView() {
    theApp.placeInInbox = 0;
    OpenAnswersLog();
    std::u16string prefix;
    if (!GetMapPrefix(&prefix)) {
        MessageBox(nullptr, u"the program's folder path is too long", kViewerWindowTitle,
                   MB_OK | MB_ICONERROR);
        return false;
    }
    openedMap = std::make_unique<MapPackage>(prefix.c_str());
    theApp.mapPackage = openedMap.get();
    if (!theApp.mapPackage->isOpen()) {
        // Deliberately not quiet: a viewer without its map is an error that a
        // user, or a script, must see.
        const std::u16string reason = core::FromUtf8(theApp.mapPackage->errorText());
        MessageBox(nullptr, reason.c_str(), kViewerWindowTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    setInitialView();
    theApp.viewWidth = GetSystemMetrics(SM_CXSCREEN);
    theApp.viewHeight = GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION) -
                        GetSystemMetrics(SM_CYMENU);
    return true;
}

void CloseMap() {
    theApp.mapPackage = nullptr;
    openedMap.reset();
}

ATOM RegisterMainClass(HINSTANCE instance, LPCWSTR className) {
    WNDCLASS wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(IDI_TARVO));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    return RegisterClass(&wc);
}

bool SetUpInstance(HINSTANCE instance, int showCommand) {
    theApp.instance = instance;
#ifdef TARVO_POCKETPC
    SHInitExtraControls();
#endif
    HWND running = FindWindow(kViewerWindowClass, kViewerWindowTitle);
    if (running != nullptr) {
        SetForegroundWindow(WithOwnedWindows(running));
        return false;
    }
    if (RegisterMainClass(instance, kViewerWindowClass) == 0) {
        return false;
    }
    LoadSettings();
    HWND hwnd = CreateWindowEx(0, kViewerWindowClass, kViewerWindowTitle, WS_VISIBLE, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               instance, nullptr);
    if (hwnd == nullptr) {
        return false;
    }
    theApp.mainWindow = hwnd;
    theApp.keys = GXGetDefaultKeys(GX_NORMALKEYS);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return true;
}

int RunMessageLoop() {
#ifdef TARVO_POCKETPC
    HACCEL accelerators = LoadAccelerators(theApp.instance, MAKEINTRESOURCE(IDR_ACCELERATORS));
#endif
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
#ifdef TARVO_POCKETPC
        if (TranslateAccelerator(msg.hwnd, accelerators, &msg)) {
            continue;
        }
#endif
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return int(msg.wParam);
}

void ShutdownApp() {
    if (theApp.inboxSignal != nullptr) {
        CloseHandle(theApp.inboxSignal);
        theApp.inboxSignal = nullptr;
    }
    SaveSettings();
}

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    if (!OpenMapAndView()) {
        CloseMap();
        return 1;
    }
    // A second start ends here, quietly.
    const int code = SetUpInstance(instance, showCommand) ? RunMessageLoop() : 0;
    CloseMap();
    return code;
}
