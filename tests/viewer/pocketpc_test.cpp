// What the Pocket PC build does differently.
#include "platform_testing.h"
#include "viewer_fixture.h"

#include "viewer/app_state.h"
#include "viewer/res/resource_ids.h"
#include "viewer/tracker_report.h"
#include "viewer/view_state.h"

#include "platform/dialogs/dialog.h"
#include "platform/telephony/sms.h"
#include "platform/windows/gapi.h"

namespace {

TEST_F(ViewerTest, ThePocketPcBuildZoomsOutWithThree) {
    ASSERT_TRUE(start());
    key('1');
    EXPECT_EQ(theView.zoom, 2.0f);
    key('2');
    EXPECT_EQ(theView.zoom, 2.0f) << "2 is no zoom key here";
    key('3');
    EXPECT_EQ(theView.zoom, 1.0f);
    // Activation and setting changes go to the shell and change nothing.
    EXPECT_EQ(SendMessage(theApp.mainWindow, WM_ACTIVATE, 1, 0), 0);
    EXPECT_EQ(SendMessage(theApp.mainWindow, WM_SETTINGCHANGE, 0, 0), 0);
    EXPECT_EQ(theView.zoom, 1.0f);
}

TEST_F(ViewerTest, ThePocketPcBuildHasTheSameGoToForms) {
    ASSERT_TRUE(start());
    command(IDM_INPUT_DEGREES + 1);
    bool opened = false;
    platform::testing::OnNextDialog([&](HWND dialog) {
        opened = true;
        EXPECT_FALSE(IsWindowVisible(theApp.menuBar));
        SetDlgItemText(dialog, 1005, u"");
        platform::testing::TypeText(u"-12");
        platform::testing::PressKey(VK_DOWN);
        platform::testing::PressKey(VK_ESCAPE);
        platform::testing::PressKey(VK_ESCAPE);
        platform::testing::TypeText(u"45");
        platform::testing::PressKey(VK_F1);
    });
    command(IDM_GOTO_LOCATION);
    EXPECT_TRUE(opened);
    EXPECT_EQ(theView.centreLatitude, -12.75f);
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar));
}

TEST_F(ViewerTest, ThePocketPcBuildRegistersNothingButSaysSo) {
    ASSERT_TRUE(start());
    for (int i = 0; i < 2; ++i) {
        command(IDM_REQUEST_POS);
        EXPECT_EQ(recording.lines().back(),
                  "messagebox\t0\tSMS\tComponent has been installed. Please reboot phone.");
    }
    EXPECT_FALSE(IsRuleComponentInstalled()) << "no component to register";
    command(IDM_UNINSTALL);
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tSMS\tComponent has been uninstalled. Please reboot phone.");
    static_assert(sizeof(TEXT_PROVIDER_SPECIFIC_DATA) == 164);
}

} // namespace
