// The map under the pointer, a finger and the wheel, as on a Linux phone,
// and a window of any size: the keys' arithmetic for every way of moving,
// and boxes and menus that stay inside the window.
#include "platform_testing.h"
#include "viewer_fixture.h"

#include "core/view_geometry.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/res/resource_ids.h"
#include "viewer/view_state.h"

#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

#include <QApplication>
#include <QTimer>

namespace {

using platform::testing::MouseDrag;
using platform::testing::TouchDrag;

class PointerTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        ASSERT_TRUE(start());
    }
    HWND window() const { return theApp.mainWindow; }
    const TMapDesc& desc() const { return theApp.mapPackage->desc; }

    // Where a client pixel lies on the map now.
    std::pair<float, float> mapPointAt(int x, int y) const {
        return {theView.centreLongitude +
                    DegreesForPixels(float(x - theApp.viewWidth / 2), desc().xscale, theView.zoom),
                theView.centreLatitude + DegreesForPixels(float(y - theApp.viewHeight / 2),
                                                          desc().yscale, theView.zoom)};
    }
};

// A drag of (60, 30) is two Left presses and an Up: the same arithmetic,
// at every zoom.
TEST_F(PointerTest, ADragPansAsTheKeysDo) {
    for (float zoom : {1.0f, 2.0f, 0.25f}) {
        SCOPED_TRACE(zoom);
        theView.zoom = zoom;
        const float lon = theView.centreLongitude, lat = theView.centreLatitude;
        MouseDrag(window(), {100, 100}, {160, 130}, 7);
        const float draggedLon = theView.centreLongitude, draggedLat = theView.centreLatitude;
        theView.centreLongitude = lon;
        theView.centreLatitude = lat;
        for (int vk : {VK_LEFT, VK_LEFT, VK_UP}) {
            key(vk);
        }
        EXPECT_NEAR(draggedLon, theView.centreLongitude, 1e-5);
        EXPECT_NEAR(draggedLat, theView.centreLatitude, 1e-5);
        EXPECT_NE(draggedLon, lon);
    }
}

// The map point under the finger stays under it, to the pixel, however the
// finger wanders on the way.
TEST_F(PointerTest, TheMapPointUnderTheFingerStaysUnderIt) {
    for (float zoom : {1.0f, 4.0f, 0.125f}) {
        SCOPED_TRACE(zoom);
        theView.zoom = zoom;
        const auto [lon, lat] = mapPointAt(50, 200);
        TouchDrag(window(), {50, 200}, {170, 40}, 9);
        const auto [lonAfter, latAfter] = mapPointAt(170, 40);
        EXPECT_NEAR(lonAfter, lon, std::abs(desc().xscale / zoom) / 4) << "within a quarter pixel";
        EXPECT_NEAR(latAfter, lat, std::abs(desc().yscale / zoom) / 4);
    }
}

TEST_F(PointerTest, ATapThatDoesNotMoveDoesNothing) {
    const ViewState before = theView;
    platform::testing::MouseClick(window(), {120, 120});
    platform::testing::TouchTap(window(), {60, 60});
    MouseDrag(window(), {100, 100}, {102, 101}, 2); // a finger's tremble
    EXPECT_EQ(theView.centreLongitude, before.centreLongitude);
    EXPECT_EQ(theView.centreLatitude, before.centreLatitude);
    EXPECT_EQ(theView.zoom, before.zoom);
}

// One notch zooms by two as keys 1 and 2 do, within 1/16 to 16; a notch up
// then Left pans 15 map pixels.
TEST_F(PointerTest, TheWheelZoomsByTwoWithinTheLimits) {
    const float lon = theView.centreLongitude;
    platform::testing::MouseWheel(window(), 120);
    EXPECT_EQ(theView.zoom, 2.0f);
    key(VK_LEFT);
    EXPECT_FLOAT_EQ(lon - theView.centreLongitude, 15 * desc().xscale);
    platform::testing::MouseWheel(window(), -240);
    EXPECT_EQ(theView.zoom, 0.5f);
    platform::testing::MouseWheel(window(), 60);
    EXPECT_EQ(theView.zoom, 0.5f) << "half a notch is no notch";
    platform::testing::MouseWheel(window(), 60);
    EXPECT_EQ(theView.zoom, 1.0f) << "the two halves are";
    platform::testing::MouseWheel(window(), 120 * 12);
    EXPECT_EQ(theView.zoom, 16.0f);
    platform::testing::MouseWheel(window(), -120 * 12);
    EXPECT_EQ(theView.zoom, 1.0f / 16);
}

// A pinch zooms by a power of two each time its fingers are twice (or half)
// as far apart as at the last step, about the view centre.
TEST_F(PointerTest, APinchZoomsByPowersOfTwoAboutTheCentre) {
    const float lon = theView.centreLongitude, lat = theView.centreLatitude;
    platform::testing::Pinch(window(), {120, 130}, 40, 70, 6);
    EXPECT_EQ(theView.zoom, 1.0f) << "not yet twice as far";
    platform::testing::Pinch(window(), {60, 60}, 40, 170, 13);
    EXPECT_EQ(theView.zoom, 4.0f) << "80 apart: twice; 160: four times";
    platform::testing::Pinch(window(), {120, 130}, 160, 35, 10);
    EXPECT_EQ(theView.zoom, 1.0f);
    EXPECT_EQ(theView.centreLongitude, lon) << "the keys' zoom: about the centre";
    EXPECT_EQ(theView.centreLatitude, lat);
}

TEST_F(PointerTest, ADoubleTapZoomsIn) {
    platform::testing::MouseDoubleClick(window(), {100, 100});
    EXPECT_EQ(theView.zoom, 2.0f);
    platform::testing::TouchTap(window(), {100, 100});
    platform::testing::TouchTap(window(), {101, 102});
    EXPECT_EQ(theView.zoom, 4.0f) << "two taps of a finger";
}

// The view follows the window: every pixel of the new size is painted, and
// the cache is sized for it.
TEST_F(PointerTest, TheViewFollowsTheWindowsSize) {
    platform::testing::ResizeWindow(window(), 700, 900);
    RECT client{};
    GetClientRect(window(), &client);
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(theApp.viewWidth, 700);
    EXPECT_EQ(theApp.viewHeight, client.bottom);
    EXPECT_GT(theApp.viewHeight, 800) << "the soft-key bar keeps its height";
    const QImage painted = platform::testing::RenderClient(window(), Qt::magenta);
    EXPECT_EQ(painted.size(), QSize(700, client.bottom));
    for (int y = 0; y < painted.height(); y += 7) {
        for (int x = 0; x < painted.width(); x += 7) {
            ASSERT_NE(painted.pixel(x, y), QColor(Qt::magenta).rgb()) << x << "," << y;
        }
    }
    EXPECT_EQ(painted.pixelColor(350, client.bottom / 2), QColor(255, 0, 0)) << "the centre";
    EXPECT_GT(theApp.mapPackage->tileCache().capacity(), TileCache::kMaxEntries);
}

bool inside(const RECT& r, const RECT& area) {
    return r.left >= area.left && r.top >= area.top && r.right <= area.right &&
           r.bottom <= area.bottom;
}

// On a 240 x 300 window a box with a long text and every submenu stay
// inside it.
TEST_F(PointerTest, MessageBoxesAndMenusStayInsideTheWindow) {
    recording.stop(); // boxes shown, not recorded
    const RECT area = platform::testing::FrameRect(window());
    std::vector<RECT> shown;
    QTimer::singleShot(0, [&] {
        shown = platform::testing::PopupRects();
        platform::testing::PressKey(VK_RETURN);
    });
    const std::u16string text(400, u'x');
    MessageBox(nullptr, (u"A report: " + text).c_str(), u"Report", MB_OK);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(inside(shown[0], area)) << shown[0].left << ".." << shown[0].right;
    const int middle = (shown[0].left + shown[0].right) / 2;
    EXPECT_NEAR(middle, (area.left + area.right) / 2, 2) << "centred over the window";

    platform::testing::PressSoftKey(theApp.menuBar, 0);
    QApplication::processEvents();
    for (int item = 0; item < 4; ++item) {
        platform::testing::PressKey(VK_DOWN);
        platform::testing::PressKey(VK_RIGHT);
        QApplication::processEvents();
        EXPECT_EQ(platform::testing::PopupRects().size(), 2u) << "the menu and a submenu";
        for (const RECT& r : platform::testing::PopupRects()) {
            EXPECT_TRUE(inside(r, area)) << "submenu " << item << ": " << r.left << ".." << r.right;
        }
        platform::testing::PressKey(VK_LEFT);
    }
    platform::testing::PressKey(VK_ESCAPE);
    platform::testing::PressKey(VK_ESCAPE);
}

} // namespace
