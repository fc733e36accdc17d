#include "viewer_fixture.h"

#include "core/answers_log.h"
#include "core/view_geometry.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/main_window.h"
#include "viewer/res/resource_ids.h"
#include "viewer/trail.h"
#include "viewer/view_state.h"

#include <cmath>

namespace {

bool SamePixels(platform::OffscreenDC& a, platform::OffscreenDC& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

class TrailTest : public ViewerTest {
protected:
    // Three trackers, their answers interleaved; one answer without a position.
    void writeLog() {
        std::string log;
        const char* numbers[] = {"+380501234567", "+380661230001", "+380671230002"};
        for (int i = 0; i < 15; ++i) {
            core::LoggedAnswer a;
            a.received = 1765292321 + i;
            a.number = numbers[i % 3];
            a.text = u"fix";
            a.read.quality = FixQuality::Gps;
            // Each tracker on a row of its own, moving east.
            a.read.latitude = 49.0 + 0.04 * (i % 3);
            a.read.longitude = 31.86 + 0.008 * i;
            log += core::FormatAnswerLine(a);
        }
        log += "2025-12-09T15:00:00Z\t+380501234567\tnone\t\t\tNO GPS\n";
        testsupport::WriteFile(dir.file("answers.log"), log);
    }
    POINT onScreen(double lat, double lon) const {
        const TMapDesc& d = theApp.mapPackage->desc;
        return POINT{
            int(PixelsForDegrees(float(lon) - theView.centreLongitude, d.xscale, theView.zoom) +
                float(theApp.viewWidth / 2)),
            int(PixelsForDegrees(float(lat) - theView.centreLatitude, d.yscale, theView.zoom) +
                float(theApp.viewHeight / 2))};
    }
    void centreOnTrails() {
        theView.centreLongitude = 31.92f;
        theView.centreLatitude = 49.04f;
        theView.zoom = 1.0f;
        InvalidateRect(theApp.mainWindow, nullptr, FALSE);
    }
};

// Off until turned on: a paint with a log full of answers is the paint
// without one, pixel for pixel.
TEST_F(TrailTest, OffByDefaultAPaintIsUnchanged) {
    ASSERT_TRUE(start());
    centreOnTrails();
    const auto without = capture();
    writeLog();
    ASSERT_FALSE(TrailShown());
    const auto with = capture();
    EXPECT_TRUE(SamePixels(*with, *without));
}

// Turned on from the TR-101 pop-up: each tracker's newest position is a
// cross in its own colour, its older ones fainter marks; the choice is kept
// for the next start.
TEST_F(TrailTest, EachTrackerInAColourOfItsOwnAndTheChoiceIsKept) {
    writeLog();
    ASSERT_TRUE(start());
    centreOnTrails();
    const auto off = capture();
    command(IDM_TRAIL);
    EXPECT_TRUE(TrailShown());
    EXPECT_EQ(testsupport::ReadFile(dir.file("trail-shown")), "1\n");
    const auto on = capture();
    for (int t = 0; t < 3; ++t) {
        const int newest = 12 + t;
        const POINT p = onScreen(49.0 + 0.04 * t, 31.86 + 0.008 * newest);
        ASSERT_TRUE(p.x > 4 && p.y > 4 && p.x < theApp.viewWidth - 4 && p.y < theApp.viewHeight - 4)
            << t;
        EXPECT_EQ(on->pixel(p.x, p.y), TrailColour(t)) << "tracker " << t;
        EXPECT_NE(off->pixel(p.x, p.y), TrailColour(t));
        const POINT oldest = onScreen(49.0 + 0.04 * t, 31.86 + 0.008 * t);
        const COLORREF faint = on->pixel(oldest.x, oldest.y);
        EXPECT_NE(faint, TrailColour(t)) << "older is fainter";
        EXPECT_NE(faint, off->pixel(oldest.x, oldest.y)) << "but drawn";
    }
    EXPECT_NE(TrailColour(0), TrailColour(1));
    EXPECT_NE(TrailColour(1), TrailColour(2));
    command(IDM_TRAIL);
    EXPECT_FALSE(TrailShown());
    EXPECT_TRUE(SamePixels(*capture(), *off)) << "off again: as before";
}

TEST(Trails, OneATrackerNewestLastAtMostTwentyPositions) {
    std::vector<core::LoggedAnswer> answers(50);
    for (int i = 0; i < 50; ++i) {
        answers[std::size_t(i)].number = i % 2 ? "+380501234567" : "00380661230001";
        answers[std::size_t(i)].read.quality = i == 49 ? FixQuality::NoPosition : FixQuality::Gps;
        answers[std::size_t(i)].received = i;
    }
    answers[48].number = "380661230001"; // the same sender as "00380661230001"
    const auto trails = TrailsOf(answers);
    ASSERT_EQ(trails.size(), 2u);
    EXPECT_EQ(trails[0].number, "00380661230001");
    ASSERT_EQ(trails[0].positions.size(), kTrailPositions);
    EXPECT_EQ(trails[0].positions.back()->received, 48);
    EXPECT_EQ(trails[0].positions.front()->received, 10);
    EXPECT_EQ(trails[1].positions.back()->received, 47) << "49 has no position";
}

} // namespace
