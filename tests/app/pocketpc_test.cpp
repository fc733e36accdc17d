// What the Pocket PC build does differently.
#include "viewer_fixture.h"

#include "state/app_state.h"
#include "state/view_state.h"

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

} // namespace
