#include "received_answer.h"

#include "core/gpx_export.h"

#include <gtest/gtest.h>

namespace {

using core::LoggedAnswer;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

const std::int64_t kDay = 1765238400; // 2025-12-09T00:00:00Z

// One track a sender in the order they first answered, one point an answer
// with a position, each with its time and what was read; answers without a
// position are no points.
TEST(GpxExport, OneTrackASenderOnePointAPosition) {
    const std::vector<LoggedAnswer> answers = {
        ReceivedAnswer(kDay + 10, "+380501234567", u"Lat:50.45012 Lon:30.52341"),
        ReceivedAnswer(kDay + 20, "+380661230001", u"LBS Lat:-33.5 Lon:-70.25 <b>&\"x\"\x01"),
        ReceivedAnswer(kDay + 30, "+380501234567", u"POS: NO GPS DATA"),
        ReceivedAnswer(kDay + 40, "", u"LAST POS Lat:1.5 Lon:2.5"),
        ReceivedAnswer(kDay + 50, "00380501234567", u"Lat:50.5 Lon:30.5"),
        ReceivedAnswer(kDay + 60, "00380501234567", u"Lat:0.5 Lon:180"),
    };
    std::size_t points = 0;
    const std::string gpx = core::GpxDocument(answers, {}, &points);
    EXPECT_EQ(points, 5u);
    EXPECT_EQ(Count(gpx, "<trk>"), 3) << "\"00380...\" is the same sender as \"+380...\"";
    EXPECT_EQ(Count(gpx, "<trkpt "), 5);
    EXPECT_NE(gpx.find("<trkpt lat=\"0.500000\" lon=\"-180.000000\">"), std::string::npos)
        << "GPX's longitudes stop short of 180";
    EXPECT_LT(gpx.find("<name>+380501234567</name>"), gpx.find("<name>+380661230001</name>"));
    EXPECT_NE(gpx.find("<name>unknown sender</name>"), std::string::npos);
    EXPECT_NE(gpx.find("<trkpt lat=\"50.450120\" lon=\"30.523410\"><time>2025-12-09T00:00:10Z"
                       "</time><desc>50.45012 N 30.52341 E, GPS fix: Lat:50.45012 "
                       "Lon:30.52341</desc><fix>2d</fix></trkpt>"),
              std::string::npos)
        << gpx;
    EXPECT_NE(gpx.find("&lt;b&gt;&amp;&quot;x&quot;\xEF\xBF\xBD</desc><fix>none</fix>"),
              std::string::npos)
        << "markup escaped, a control character replaced; cell towers are no fix";
    EXPECT_EQ(gpx.find("NO GPS"), std::string::npos);
    EXPECT_EQ(gpx.rfind("</gpx>\n"), gpx.size() - 7);
}

TEST(GpxExport, SinceAndNumberKeepTheirAnswersOnly) {
    const std::vector<LoggedAnswer> answers = {
        ReceivedAnswer(kDay - 1, "+380501234567", u"Lat:1 Lon:1"),
        ReceivedAnswer(kDay, "+380501234567", u"Lat:2 Lon:2"),
        ReceivedAnswer(kDay + 5, "+380661230001", u"Lat:3 Lon:3"),
        ReceivedAnswer(kDay + 9, "00380501234567", u"Lat:4 Lon:4"),
    };
    core::GpxFilter filter;
    ASSERT_TRUE(core::ParseSinceDate("2025-12-09", &filter.since));
    std::size_t points = 0;
    core::GpxDocument(answers, filter, &points);
    EXPECT_EQ(points, 3u) << "from midnight UTC on";
    filter.number = "+380501234567";
    const std::string gpx = core::GpxDocument(answers, filter, &points);
    EXPECT_EQ(points, 2u) << "the same digits, a leading + or 00 aside";
    EXPECT_EQ(gpx.find("+380661230001"), std::string::npos);
    EXPECT_TRUE(core::ParseSinceDate("2025-12-09T00:00:05Z", &filter.since));
    EXPECT_EQ(filter.since, kDay + 5);
    for (const char* bad : {"2025-12-9", "yesterday", "2025-12-09 00:00", ""}) {
        EXPECT_FALSE(core::ParseSinceDate(bad, &filter.since)) << bad;
    }
}

} // namespace
