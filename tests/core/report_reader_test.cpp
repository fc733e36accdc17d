// Reading trackers' answers: the shapes real trackers write (with our own
// numbers), whether the answer holds a fix, and the last two numbers of a
// text of no known shape.
#include "core/report_reader.h"
#include "core/utf8.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr double kNone = 1e9; // no position expected

struct Row {
    const char* text;
    double latitude; // kNone: no position
    double longitude;
    FixQuality quality = FixQuality::Gps;
};

const Row kRows[] = {
    // Labelled values, any order, any case, ':' or '=' or a space.
    {"Lat:50.45012 Lon:30.52341", 50.45012, 30.52341},
    {"lat:50.450120 long:30.523410 speed:000.0 T:26/12/08 18:43 bat:80% "
     "http://maps.google.com/maps?q=50.450120,30.523410&z=16",
     50.45012, 30.52341},
    {"Lat:-33.45012 Lon:-70.66341", -33.45012, -70.66341},
    {"Lat:50.45012 Lon:30.52341 Bat:80%", 50.45012, 30.52341},
    {"lat=22.571285 lng=113.877120", 22.571285, 113.87712},
    {"Latitude: N22.571285 Longitude: E113.877120", 22.571285, 113.87712},
    {"Latitude:43.671935N Longitude:064.700950W", 43.671935, -64.70095},
    {"Lon:30.52341 Lat:50.45012", 50.45012, 30.52341},
    {"LAT: S33.86123, LON: E151.20912", -33.86123, 151.20912},
    {"LATITUDE=50.123456,LONGITUDE=30.654321", 50.123456, 30.654321},
    {"Lat 50.45012 Lon 30.52341", 50.45012, 30.52341},
    {"lat:50\u00B027.007' lon:30\u00B031.405'", 50.450116667, 30.523416667},
    {"Lat: 23d38m22s S Lon: 46d37m59s W", -23.639444444, -46.633055556},
    {"speed:5 n/a lat:50.45 lon:30.52", 50.45, 30.52},
    // Map links.
    {"http://maps.google.com/maps?q=-33.865143,151.209900", -33.865143, 151.2099},
    {"https://maps.google.com/?q=loc:22.57128,113.87712", 22.57128, 113.87712},
    {"https://www.google.com/maps/place/48.858370,2.294481", 48.85837, 2.294481},
    {"https://www.google.com/maps/@40.689247,-74.044502,17z", 40.689247, -74.044502},
    {"http://maps.google.com/?ll=35.658581,139.745433", 35.658581, 139.745433},
    {"Location: maps.google.com/maps?q=55.755826%2C37.617300", 55.755826, 37.6173},
    {"http://maps.google.com/maps?q=+22.57128,+113.87712", 22.57128, 113.87712},
    // Hemispheres written as letters: NMEA, degrees and minutes, seconds.
    {"GPS: 2234.2770N,11352.6270E", 22.571283333, 113.877116667},
    {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", 48.1173, 11.516666667},
    {"41g37.8283N 2g10.5312E", 41.630471667, 2.17552},
    {"S:23d38m22s W:46d37m59s", -23.639444444, -46.633055556},
    {"55,35,27.28N 37,36,05.11E", 55.590911111, 37.601419444},
    {"Position: 50.450120N 30.523410E", 50.45012, 30.52341},
    // The plain pair.
    {"22.57128,113.87712", 22.57128, 113.87712},
    {"-33.86,151.2", -33.86, 151.2},
    {"50.45,30.52 12:30", 50.45, 30.52}, // a time after the pair is no position
    // How the tracker knows.
    {"NO GPS. LBS: lat:50.4501 lon:30.5234", 50.4501, 30.5234, FixQuality::CellTowers},
    {"Cell ID position lat=50.44 lon=30.51", 50.44, 30.51, FixQuality::CellTowers},
    {"LAST POS lat:50.4501 lon:30.5234", 50.4501, 30.5234, FixQuality::LastKnown},
    {"GPS: V lat:50.4501 lon:30.5234", kNone, kNone},
    {"Fix: V, lat:0.000000 lon:0.000000", kNone, kNone},
    {"ERROR GPS! Lat:50.45 Lon:30.52", kNone, kNone},
    {"POS: NO GPS DATA", kNone, kNone},
    {"lat:0.000000 lon:0.000000", kNone, kNone}, // what a tracker without a fix sends
    // Values that are no position.
    {"Lat:123456789012345678901234567890123456789 Lon:30.5", kNone, kNone},
    {"Lat:95.0 Lon:30.0", kNone, kNone},
    {"lat:50.45 lon:190", kNone, kNone},
    {"Your balance is 12.50", kNone, kNone},
    {"2234.2770,11352.6270", kNone, kNone}, // NMEA without its hemispheres: unsure
};

TEST(TrackerReport, ReadsTheShapesTrackersWrite) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.text);
        const TrackerReport r = ReadTrackerReport(core::FromUtf8(row.text));
        if (row.latitude == kNone) {
            EXPECT_FALSE(r.hasPosition());
            EXPECT_EQ(r.quality, FixQuality::NoPosition);
            continue;
        }
        ASSERT_TRUE(r.hasPosition());
        EXPECT_NEAR(r.latitude, row.latitude, 1e-6);
        EXPECT_NEAR(r.longitude, row.longitude, 1e-6);
        EXPECT_EQ(r.quality, row.quality);
    }
}

// The TR-101's own answer lands where the handset's reading put it, to the
// bit of the single-precision position.
TEST(TrackerReport, TheTr101AnswerReadsAsOnTheHandset) {
    const TrackerReport r = ReadTrackerReport(u"Lat:50.45012 Lon:30.52341");
    EXPECT_EQ(float(r.latitude), 50.45012f);
    EXPECT_EQ(float(r.longitude), 30.52341f);
    const TrackerReport padded = ReadTrackerReport(u"Lat:50.45012 Lon:30.52341   \n");
    EXPECT_EQ(float(padded.latitude), 50.45012f);
}

// Of no known shape: the last two numbers, a minus right before one making
// it negative, as long as they can be a position.
TEST(TrackerReport, ATextOfNoKnownShapeGivesItsLastTwoNumbers) {
    struct Fallback {
        const char16_t* text;
        double latitude, longitude;
    };
    const Fallback rows[] = {
        {u"  1 2", 1, 2},
        {u"pos 50.45 30.52", 50.45, 30.52},
        {u"pos -33.86 -70.66", -33.86, -70.66},
        {u"a 1.2.3 4", 1.2, 4}, // a second dot ends a number, as atof reads it
        {u"x 5 7", 5, 7},
    };
    for (const Fallback& row : rows) {
        const TrackerReport r = ReadTrackerReport(row.text);
        ASSERT_TRUE(r.hasPosition()) << core::ToUtf8(row.text);
        EXPECT_DOUBLE_EQ(r.latitude, row.latitude) << core::ToUtf8(row.text);
        EXPECT_DOUBLE_EQ(r.longitude, row.longitude) << core::ToUtf8(row.text);
    }
    for (const char16_t* none : {u"7", u"", u"no digits at all", u"a . 4", u"temp 120.5 at 300"}) {
        EXPECT_FALSE(ReadTrackerReport(none).hasPosition()) << core::ToUtf8(none);
    }
    // A token longer than 99 characters is read from its first 99.
    const std::u16string longToken = u"x 1" + std::u16string(120, u'0') + u" 5";
    EXPECT_FALSE(ReadTrackerReport(longToken).hasPosition()) << "1e98 is no latitude";
}

TEST(TrackerReport, SaysWhatWasReadInALine) {
    EXPECT_EQ(DescribeTrackerReport(ReadTrackerReport(u"Lat:-22.57128 Lon:113.87712")),
              u"22.57128 S 113.87712 E, GPS fix");
    EXPECT_EQ(DescribeTrackerReport(ReadTrackerReport(u"LBS lat:50.5 lon:-3.25")),
              u"50.50000 N 3.25000 W, cell-tower position");
    EXPECT_EQ(DescribeTrackerReport(ReadTrackerReport(u"LAST POS lat:50.5 lon:3.25")),
              u"50.50000 N 3.25000 E, last known position");
    EXPECT_EQ(DescribeTrackerReport(ReadTrackerReport(u"NO GPS")), u"no position in this answer");
}

TEST(TrackerReport, NumberCharactersAreTheDigitsAndTheDot) {
    for (int c = 0; c < 128; ++c) {
        EXPECT_EQ(IsNumberChar(char16_t(c)), (c >= '0' && c <= '9') || c == '.') << c;
    }
    for (char16_t c :
         {u'\u0660', u'\uFF10', u'\u00B7', u'\u2024', char16_t(0x130), char16_t(0x12E)}) {
        EXPECT_FALSE(IsNumberChar(c)) << int(c) << ": only ASCII digits, not their look-alikes";
    }
}

} // namespace
