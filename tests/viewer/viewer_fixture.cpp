#include "viewer_fixture.h"

#include "platform_testing.h"

#include "core/tracker_protocol.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/res/resources.h"
#include "viewer/startup.h"
#include "viewer/view_state.h"

#include "platform/system/kernel.h"
#include "platform/windows/entry.h"

void ViewerTest::SetUp() {
    testsupport::WriteNumberedMap(dir.file("map"), kMap);
    platform::testing::SetModuleFileName(dir.file("tarvo"));
}

void ViewerTest::TearDown() {
    if (started && IsWindow(theApp.mainWindow)) {
        exitViewer();
    }
    UnregisterClass(kViewerWindowClass, theApp.instance);
    CloseMap();
    theApp = AppState{};
    theView = ViewState{};
    platform::testing::SetModuleFileName("");
}

bool ViewerTest::start() {
    CloseMap(); // from an earlier start in the same test
    theApp = AppState{};
    theView = ViewState{};
    HINSTANCE instance = platform::InitialiseInstance(TarvoResources());
    if (!OpenMapAndView() || !SetUpInstance(instance, SW_SHOWNORMAL)) {
        return false;
    }
    started = true;
    return true;
}

int ViewerTest::exitViewer() {
    command(8);
    const int code = RunMessageLoop();
    UnregisterClass(kViewerWindowClass, theApp.instance);
    started = false;
    return code;
}

LRESULT ViewerTest::key(int vk) {
    return SendMessage(theApp.mainWindow, WM_KEYDOWN, WPARAM(vk), 1);
}

LRESULT ViewerTest::command(unsigned id) {
    return SendMessage(theApp.mainWindow, WM_COMMAND, WPARAM(id), 0);
}

std::unique_ptr<platform::OffscreenDC> ViewerTest::capture() {
    return platform::OffscreenDC::CaptureClient(theApp.mainWindow);
}
