#include "platform_testing.h"
#include "viewer_fixture.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/main_window.h"
#include "viewer/paint_view.h"
#include "viewer/res/resource_ids.h"
#include "viewer/startup.h"
#include "viewer/view_moves.h"
#include "viewer/view_state.h"

#include "platform/system/kernel.h"
#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

#include <cstring>

namespace {

using platform::testing::IsMenuItemChecked;

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kWhite = RGB(255, 255, 255);

bool IsDark(COLORREF c) {
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
}

TEST_F(ViewerTest, StartsCentredOnTheMapWithTheBuiltInDefaults) {
    ASSERT_TRUE(start());
    EXPECT_EQ(theView.centreLongitude, 32.0f);
    EXPECT_EQ(theView.centreLatitude, 49.0f);
    EXPECT_EQ(theView.zoom, 1.0f);
    EXPECT_EQ(theView.gpsLongitude, 30.61834f);
    EXPECT_EQ(theView.gpsLatitude, 50.40301f);
    EXPECT_EQ(theView.displayFormat, 1);
    EXPECT_EQ(theView.inputFormat, 0);
    EXPECT_EQ(theApp.placeInInbox, 0);
    EXPECT_EQ(theApp.trackerNumber[0], 0);
    EXPECT_EQ(theApp.viewWidth, 240);
    EXPECT_EQ(theApp.viewHeight, 320 - 20 - 26);
    EXPECT_TRUE(platform::testing::IsShown(theApp.mainWindow));
    EXPECT_FALSE(platform::NamedMutexExists(u"tarvomutex"))
        << "without a settings file the inbox signal waits for the first request";
}

TEST_F(ViewerTest, DirectionKeysPanThirtyScreenPixels) {
    ASSERT_TRUE(start());
    const GXKeyList keys = GXGetDefaultKeys(GX_NORMALKEYS);
    const TMapDesc& d = theApp.mapPackage->desc;
    for (float zoom : {1.0f, 2.0f}) {
        theView.zoom = zoom;
        float lat = theView.centreLatitude, lon = theView.centreLongitude;
        EXPECT_EQ(key(keys.vkUp), 0);
        EXPECT_EQ(theView.centreLatitude, lat - (30.0f * d.yscale) / zoom);
        EXPECT_GT(theView.centreLatitude, lat) << "up goes north";
        lat = theView.centreLatitude;
        key(keys.vkDown);
        EXPECT_EQ(theView.centreLatitude, lat + (30.0f * d.yscale) / zoom);
        key(keys.vkLeft);
        EXPECT_EQ(theView.centreLongitude, lon - (30.0f * d.xscale) / zoom);
        lon = theView.centreLongitude;
        key(keys.vkRight);
        EXPECT_EQ(theView.centreLongitude, lon + (30.0f * d.xscale) / zoom);
    }
    EXPECT_EQ(30.0f * d.xscale / 2.0f, (30.0f * d.xscale / 1.0f) / 2) << "half the step at zoom 2";
}

TEST_F(ViewerTest, ZoomKeysDoubleAndHalveAboutTheCentreWithinBounds) {
    ASSERT_TRUE(start());
    const float lon = theView.centreLongitude, lat = theView.centreLatitude;
    key('1');
    EXPECT_EQ(theView.zoom, 2.0f);
    key('2');
    EXPECT_EQ(theView.zoom, 1.0f) << "1 then 2 restores the zoom";
    key(VK_PRIOR); // GAPI A
    EXPECT_EQ(theView.zoom, 2.0f);
    key(VK_NEXT); // GAPI B
    EXPECT_EQ(theView.zoom, 1.0f);
    EXPECT_EQ(theView.centreLongitude, lon);
    EXPECT_EQ(theView.centreLatitude, lat);
    for (int i = 0; i < 6; ++i) {
        key('1');
    }
    EXPECT_EQ(theView.zoom, kMaxZoom);
    for (int i = 0; i < 12; ++i) {
        key('2');
    }
    EXPECT_EQ(theView.zoom, kMinZoom);
    key('3');
    EXPECT_EQ(theView.zoom, kMinZoom) << "3 zooms only in the Pocket PC build";
}

TEST_F(ViewerTest, OtherKeysChangeNothing) {
    ASSERT_TRUE(start());
    const ViewState before = theView;
    for (int vk :
         {VK_INSERT, VK_RETURN, VK_TTALK, VK_TEND, int('A'), int('0'), int('9'), 0x7F, 0xFFFF}) {
        EXPECT_EQ(key(vk), 0) << vk;
    }
    EXPECT_EQ(std::memcmp(&before, &theView, sizeof before), 0);
    EXPECT_FALSE(platform::testing::IsMinimised(theApp.mainWindow));
    for (const std::string& line : recording.lines()) {
        EXPECT_EQ(line.rfind("screen\t", 0), 0u)
            << "only the window's making is recorded: " << line;
    }
}

TEST_F(ViewerTest, BackAndHomeLeaveTheViewerRunning) {
    ASSERT_TRUE(start());
    key(VK_TBACK);
    EXPECT_TRUE(platform::testing::IsMinimised(theApp.mainWindow));
    SetForegroundWindow(theApp.mainWindow);
    EXPECT_FALSE(platform::testing::IsMinimised(theApp.mainWindow));
    key(VK_LWIN);
    EXPECT_TRUE(platform::testing::IsMinimised(theApp.mainWindow));
    EXPECT_TRUE(IsWindow(theApp.mainWindow));
    EXPECT_EQ(recording.lines().back(), "home\tshown");
}

TEST_F(ViewerTest, CenterAndLastGpsMoveTheView) {
    ASSERT_TRUE(start());
    key('1');
    key(VK_LEFT);
    EXPECT_EQ(command(IDM_GOTO_LAST_GPS), 0);
    EXPECT_EQ(theView.centreLongitude, 30.61834f);
    EXPECT_EQ(theView.centreLatitude, 50.40301f);
    EXPECT_EQ(theView.zoom, 2.0f) << "Last GPS pos keeps the zoom";
    EXPECT_EQ(command(IDM_GOTO_CENTER), 0);
    EXPECT_EQ(theView.centreLongitude, 32.0f);
    EXPECT_EQ(theView.centreLatitude, 49.0f);
    EXPECT_EQ(theView.zoom, 1.0f);
}

TEST_F(ViewerTest, FormatCommandsSetTheFieldsAndTheCheckMarks) {
    ASSERT_TRUE(start());
    HMENU options = platform::testing::SoftKeyMenu(theApp.menuBar, 0);
    ASSERT_NE(options, nullptr);
    for (unsigned display = IDM_DISPLAY_OFF; display <= IDM_DISPLAY_DMS; ++display) {
        for (unsigned input = IDM_INPUT_DEGREES; input <= IDM_INPUT_DMS; ++input) {
            EXPECT_EQ(command(display), 0);
            EXPECT_EQ(command(input), 0);
            EXPECT_EQ(theView.displayFormat, int(display - IDM_DISPLAY_OFF));
            EXPECT_EQ(theView.inputFormat, int(input - IDM_INPUT_DEGREES));
            platform::testing::BrowseMenu(options);
            for (unsigned id = IDM_DISPLAY_OFF; id <= IDM_INPUT_DMS; ++id) {
                const bool wanted = id == display || id == input;
                EXPECT_EQ(IsMenuItemChecked(options, id), wanted) << display << "/" << input;
            }
        }
    }
}

TEST_F(ViewerTest, TheSoftKeysOpenTheMenuAndExit) {
    ASSERT_TRUE(start());
    HMENU options = platform::testing::SoftKeyMenu(theApp.menuBar, 0);
    platform::testing::ChooseMenuItem(options, IDM_DISPLAY_DMS);
    platform::testing::ChooseMenuItem(options, IDM_ABOUT);
    PostMessage(nullptr, WM_NULL, 0, 0); // marks the end of what the menu posted
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) && msg.message != WM_NULL) {
        DispatchMessage(&msg);
    }
    EXPECT_EQ(theView.displayFormat, 3);
    ASSERT_FALSE(recording.lines().empty());
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tAbout\ttarvo v1.0\\nMap data: GSHHG (LGPL), rendered with "
              "GMT\\nSee README.md in the tarvo sources");
    platform::testing::PressSoftKey(theApp.menuBar, 1); // "Exit"
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(theApp.mainWindow));
    started = false;
}

TEST_F(ViewerTest, PaintsTilesTextAndBothCrosses) {
    ASSERT_TRUE(start());
    const int cx = theApp.viewWidth / 2, cy = theApp.viewHeight / 2;
    auto image = capture();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixel(11, 11), kWhite) << "the text stands in a white box";
    bool dark = false;
    for (int x = 10; x < 120; ++x) {
        dark = dark || IsDark(image->pixel(x, 16));
    }
    EXPECT_TRUE(dark) << "with dark text";
    for (int d = -3; d <= 3; ++d) {
        EXPECT_EQ(image->pixel(cx + d, cy), kRed) << d;
        EXPECT_EQ(image->pixel(cx, cy + d), kRed) << d;
    }
    EXPECT_NE(image->pixel(cx + 4, cy), kRed);
    EXPECT_NE(image->pixel(cx - 4, cy), kRed);
    EXPECT_NE(image->pixel(cx + 1, cy + 1), kRed);
    // The map's centre pixel lies in tile (8, 4).
    EXPECT_EQ(image->pixel(cx + 20, cy + 20), testsupport::TileColour(8 + 4 * 16 + 1));

    command(IDM_DISPLAY_OFF);
    image = capture();
    EXPECT_EQ(image->pixel(11, 11), testsupport::TileColour(7 + 3 * 16 + 1))
        << "no text box with Off: the tile shows";
    EXPECT_EQ(image->pixel(cx, cy), kRed) << "the crosses stay";
}

TEST_F(ViewerTest, TheYellowCrossMarksTheLastGpsPositionAtAnyZoom) {
    ASSERT_TRUE(start());
    const int cx = theApp.viewWidth / 2, cy = theApp.viewHeight / 2;
    command(IDM_GOTO_LAST_GPS);
    auto image = capture();
    EXPECT_EQ(image->pixel(cx, cy), kYellow) << "drawn last, over the red cross";
    EXPECT_EQ(image->pixel(cx - 3, cy), kYellow);

    const float tenPixels = 10 * theApp.mapPackage->desc.xscale;
    theView.centreLongitude = 32.0f;
    theView.centreLatitude = 49.0f;
    theView.gpsLongitude = 32.0f + tenPixels;
    theView.gpsLatitude = 49.0f;
    for (float zoom : {2.0f, 0.5f}) {
        theView.zoom = zoom;
        image = capture();
        const int gx = cx + int(10 * zoom);
        EXPECT_EQ(image->pixel(gx, cy - 3), kYellow) << "zoom " << zoom;
        EXPECT_EQ(image->pixel(gx, cy + 3), kYellow) << "zoom " << zoom;
        EXPECT_EQ(image->pixel(cx, cy - 3), kRed) << "zoom " << zoom;
    }
    theView.gpsLongitude = 170.0f; // far outside: nothing to see, no fault
    image = capture();
    EXPECT_EQ(image->pixel(cx, cy), kRed);
}

TEST_F(ViewerTest, AnOddViewWidthRoundsTheCentreDown) {
    ASSERT_TRUE(start());
    theApp.viewWidth = 241;
    theApp.viewHeight = 101;
    platform::OffscreenDC dc(241, 101);
    PaintView(dc.hdc());
    EXPECT_EQ(dc.pixel(120 + 3, 50), kRed);
    EXPECT_EQ(dc.pixel(120 - 3, 50), kRed);
    EXPECT_NE(dc.pixel(120 + 4, 50), kRed);
}

} // namespace
