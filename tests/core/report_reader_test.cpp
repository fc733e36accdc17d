// Reading reports: the last two numbers of the text, read from its end.
#include "core/report_reader.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr float kOld = -999.0f; // what a field held before the report

struct Row {
    std::u16string text;
    bool found;
    float longitude; // kOld: unchanged
    float latitude;
};

std::string Utf8(const std::u16string& s) {
    return std::string(s.begin(), s.end()); // enough for the ASCII texts below
}

TEST(TrackerReport, TakesTheLastTwoNumbersOfTheText) {
    const Row rows[] = {
        {u"Lat:50.45012 Lon:30.52341", true, 30.52341f, 50.45012f},
        {u"  1 2", true, 2.0f, 1.0f}, // the shortest text that works
        {u" 1 2", false, 2.0f, kOld}, // the latitude needs two characters before it
        {u"1 2", false, 2.0f, kOld},
        {u"50.45,30.52 12:30", true, 30.0f, 12.0f}, // a time after the position wins
        {u"x-33.86,151.2", true, 151.2f, 33.86f},   // signs separate: the value is positive
        {u"-33.86,151.2", false, 151.2f, kOld},
        {u"a 1.2.3 4", true, 4.0f, 1.2f}, // a second dot ends the conversion
        {u"a . 4", true, 4.0f, 0.0f},     // a lone dot is 0
        {u"no digits at all", false, kOld, kOld},
        {u"7", false, kOld, kOld},
        {u"", false, kOld, kOld},
        {u"Lat:50.45012 Lon:30.52341   \n", true, 30.52341f, 50.45012f},
        {u"5 12", false, 12.0f, kOld},
        {u"ab", false, kOld, kOld},
        {u"a1", false, kOld, kOld}, // the token would start at the first character
    };
    for (const Row& row : rows) {
        float longitude = kOld, latitude = kOld;
        EXPECT_EQ(ScanTrackerReport(row.text.c_str(), &longitude, &latitude), row.found)
            << Utf8(row.text);
        EXPECT_EQ(longitude, row.longitude) << Utf8(row.text);
        EXPECT_EQ(latitude, row.latitude) << Utf8(row.text);
    }
}

TEST(TrackerReport, ALongTokenIsCutToNinetyNineCharacters) {
    // 150 digits: 99 of them are read, a number near 1e98, never past the buffer.
    const std::u16string digits(150, u'1');
    const std::u16string text = u"at " + digits + u" 5";
    float longitude = kOld, latitude = kOld;
    EXPECT_TRUE(ScanTrackerReport(text.c_str(), &longitude, &latitude));
    EXPECT_EQ(longitude, 5.0f);
    EXPECT_EQ(latitude, float(1.11111111111111111e98)) << "infinite as a float";
    const std::u16string longLongitude = u"at 1 " + std::u16string(98, u'0') + u"25";
    ScanTrackerReport(longLongitude.c_str(), &longitude, &latitude);
    EXPECT_EQ(longitude, 2.0f) << "the first 99 characters: 98 zeros and a 2";
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

TEST(TrackerReport, NumberTokensNeedADigit) {
    const std::u16string text = u"Lat:50.4 Lon:30.5 . .. 12:30";
    EXPECT_EQ(CountNumberTokens(text.c_str(), int(text.size())), 4);
    EXPECT_EQ(CountNumberTokens(u"...", 3), 0);
    EXPECT_EQ(CountNumberTokens(u"", 0), 0);
}

} // namespace
