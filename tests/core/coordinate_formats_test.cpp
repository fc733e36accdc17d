#include "core/c_numbers.h"
#include "core/coordinate_formats.h"

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>
#include <string>

// Every allocation of this test program is counted, so that a test can tell
// whether a call made any.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::string Utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c == u'\u00B0') {
            out += "\xC2\xB0";
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string Text(int format, float lat, float lon) {
    return Utf8(PositionText(format, lat, lon));
}

TEST(PositionText, ShowsTheThreeNotationsLatitudeFirst) {
    struct Row {
        float lat, lon;
        const char* degrees;
        const char* minutes;
        const char* seconds;
    };
    const Row rows[] = {
        {50.403011f, 30.61834f, "50.40301° 30.61834°", "50°24.1807' 30°37.1004'",
         "50°24'10.841'' 30°37'6.022''"},
        // Rounding in print does not carry into the next unit.
        {1.9999999f, 0.0f, "2.00000° 0.00000°", "1°60.0000' 0°0.0000'",
         "1°59'60.000'' 0°0'0.000''"},
        {0.0f, 0.0f, "0.00000° 0.00000°", "0°0.0000' 0°0.0000'", "0°0'0.000'' 0°0'0.000''"},
        // Negative values carry their sign once, on the degrees.
        {-33.5f, -0.5f, "-33.50000° -0.50000°", "-33°30.0000' -0°30.0000'",
         "-33°30'0.000'' -0°30'0.000''"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Text(Degrees, r.lat, r.lon), r.degrees);
        EXPECT_EQ(Text(DegreesMinutes, r.lat, r.lon), r.minutes);
        EXPECT_EQ(Text(DegreesMinutesSeconds, r.lat, r.lon), r.seconds);
    }
}

// It is formatted on every paint, which makes nothing on the heap.
TEST(PositionText, IsFormattedWithoutAllocating) {
    char16_t text[kPositionTextUnits];
    for (int format : {Degrees, DegreesMinutes, DegreesMinutesSeconds}) {
        const long before = allocations;
        FormatPositionText(format, -50.4501f, 30.5234f, text);
        EXPECT_EQ(allocations - before, 0) << format;
        EXPECT_GT(std::char_traits<char16_t>::length(text), 10u);
    }
}

TEST(PositionText, OffAndUnknownFormatsGiveTheEmptyText) {
    for (int format : {0, -1, 4, 1000}) {
        EXPECT_EQ(PositionText(format, 50.0f, 30.0f), u"") << format;
    }
}

TEST(PositionText, FractionalPartKeepsTheSign) {
    EXPECT_EQ(FractionalPart(50.25f), 0.25f);
    EXPECT_EQ(FractionalPart(-50.25f), -0.25f);
    EXPECT_EQ(FractionalPart(3e9f), 0.0f) << "beyond 32 bits there is no fraction left";
}

TEST(FieldTexts, FillThePartsOfEachInputFormat) {
    const float lat = 50.403011f;
    FieldTexts deg = FillFieldTexts(InputDegrees, lat);
    ASSERT_EQ(deg.count, 2);
    EXPECT_EQ(deg.field[0], u"50");
    EXPECT_EQ(deg.field[1], u"40301");
    FieldTexts dm = FillFieldTexts(InputDegreesMinutes, lat);
    EXPECT_EQ(dm.field[0], u"50");
    EXPECT_EQ(dm.field[1], u"24");
    EXPECT_EQ(dm.field[2], u"1806");
    FieldTexts dms = FillFieldTexts(InputDegreesMinutesSeconds, lat);
    EXPECT_EQ(dms.field[2], u"10.841");
    EXPECT_EQ(FillFieldTexts(InputDegrees, 7.00012f).field[1], u"   12") << "padded to five places";
}

TEST(FieldTexts, ParsingAFilledDialogKeepsTheCoordinate) {
    for (int format : {InputDegrees, InputDegreesMinutes, InputDegreesMinutesSeconds}) {
        for (float v : {50.403011f, 30.61834f, 0.0f, 89.99999f, -33.5f}) {
            FieldTexts f = FillFieldTexts(format, v);
            const float back = ParseFieldTexts(format, f.field);
            if (v == 50.403011f) {
                EXPECT_EQ(back, v) << "format " << format;
            }
            EXPECT_NEAR(back, v, 0.00001) << "format " << format << " value " << v;
        }
    }
}

TEST(FieldTexts, TheLengthOfAFractionFieldSetsItsPlaceValue) {
    struct Row {
        int format;
        std::u16string fields[3];
        double expected;
    };
    const Row rows[] = {
        {InputDegrees, {u"0", u"   12"}, 0.00012},
        {InputDegrees, {u"0", u"12"}, 0.12},
        {InputDegrees, {u"0", u"     12"}, 0.0000012},
        {InputDegrees, {u"50", u"40301"}, 50.40301},
        {InputDegrees, {u"50", u"403011"}, 50.403011},
        {InputDegrees, {u"", u""}, 0.0},
        {InputDegreesMinutes, {u"10", u"30", u"7"}, 10.5 + 0.7 / 60},
        {InputDegreesMinutes, {u"10", u"75", u""}, 11.25},
        {InputDegreesMinutesSeconds, {u"10", u"0", u"36.5"}, 10.0 + 36.5 / 3600},
        {InputDegrees, {u"95", u"5"}, 95.5},
    };
    for (const Row& r : rows) {
        EXPECT_FLOAT_EQ(ParseFieldTexts(r.format, r.fields), float(r.expected))
            << "format " << r.format << " fields " << Utf8(r.fields[0]) << "|" << Utf8(r.fields[1])
            << "|" << Utf8(r.fields[2]);
    }
}

TEST(FieldTexts, ExtremeFieldsNeitherOverflowNorLoseTheirPlaceValue) {
    // A fraction field longer than a 64-bit number: 0.1234567890123456789 of a degree.
    const std::u16string twenty[2] = {u"0", u"12345678901234567890"};
    EXPECT_EQ(ParseFieldTexts(InputDegrees, twenty), 0.12345679f);
    // The longest field a form reads, 127 characters: half a minute.
    const std::u16string longest[3] = {u"1", u"0", u"5" + std::u16string(126, u'0')};
    EXPECT_EQ(ParseFieldTexts(InputDegreesMinutes, longest), float(1.0 + 0.5 / 60));
    const std::u16string spaced[2] = {u"0", std::u16string(30, u' ') + u"25"};
    EXPECT_EQ(ParseFieldTexts(InputDegrees, spaced), float(25e-32));
    // The magnitude of the smallest 32-bit value does not fit 32 bits.
    const std::u16string smallest[2] = {u"-2147483648", u"5"};
    EXPECT_EQ(ParseFieldTexts(InputDegrees, smallest), float(-2147483648.5));
    const std::u16string beyond[3] = {u"-99999999999", u"0", u"0"};
    EXPECT_EQ(ParseFieldTexts(InputDegreesMinutesSeconds, beyond), -2147483648.0f);
    const std::u16string negativeZero[3] = {u"-0", u"30", u""};
    EXPECT_EQ(ParseFieldTexts(InputDegreesMinutes, negativeZero), -0.5f);
}

// Conversions must not follow the process locale: under a locale with a
// decimal comma, "%1.5f" would print 50,40301 and strtod would stop at '.'.
TEST(PositionText, IgnoresADecimalCommaLocale) {
    const std::string folder = (std::filesystem::temp_directory_path() / "tarvo-locales").string();
    std::filesystem::create_directories(folder);
    const std::string command =
        "localedef -i uk_UA -f UTF-8 " + folder + "/uk_UA.UTF-8 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "localedef cannot make uk_UA.UTF-8 here";
    }
    setenv("LOCPATH", folder.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "uk_UA.UTF-8"), nullptr);
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    const std::string text = Text(Degrees, 50.403011f, 30.61834f);
    const float parsed = ParseFieldTexts(InputDegreesMinutesSeconds,
                                         FillFieldTexts(InputDegreesMinutesSeconds, 50.25f).field);
    const double left = core::CStringToDouble("28.5"), top = core::CStringToDouble("51.7,3");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(left, 28.5);
    EXPECT_EQ(top, 51.7) << "a comma ends the number, as in desc.txt";
    EXPECT_EQ(text, "50.40301° 30.61834°");
    EXPECT_EQ(parsed, 50.25f);
}

} // namespace
