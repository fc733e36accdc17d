#include "map/map_desc.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Pairs(const std::string& width, const std::string& height, const std::string& left,
                  const std::string& top, const std::string& right, const std::string& bottom,
                  const std::string& eol = "\n") {
    std::string lines[] = {width, height, left, top, right, bottom};
    std::string text;
    for (const std::string& v : lines) {
        text += "label" + eol + v + eol;
    }
    return text;
}

TEST(MapDescription, ReadsSixValuesFromTheEvenLines) {
    TMapDesc d = ParseMapDescription(Pairs("4096", "3072", "28.0", "51.7", "33.0", "49.2"));
    EXPECT_EQ(d.width, 4096u);
    EXPECT_EQ(d.height, 3072u);
    EXPECT_FLOAT_EQ(d.left, 28.0f);
    EXPECT_FLOAT_EQ(d.top, 51.7f);
    EXPECT_FLOAT_EQ(d.right, 33.0f);
    EXPECT_FLOAT_EQ(d.bottom, 49.2f);
    EXPECT_EQ(d.xscale, (33.0f - 28.0f) / 4096.0f);
    EXPECT_EQ(d.yscale, (49.2f - 51.7f) / 3072.0f);
    EXPECT_LT(d.yscale, 0) << "north-up maps have a negative latitude scale";
    EXPECT_EQ(d.xtiles, 16u);
    EXPECT_EQ(d.ytiles, 12u);
    EXPECT_TRUE(CheckMapDescription(d).empty());
}

TEST(MapDescription, CrLfLineEndsReadLikeLf) {
    TMapDesc lf = ParseMapDescription(Pairs("1000", "600", "30.5", "50.25", "31", "50"));
    TMapDesc crlf = ParseMapDescription(Pairs("1000", "600", "30.5", "50.25", "31", "50", "\r\n"));
    EXPECT_EQ(lf.width, crlf.width);
    EXPECT_EQ(lf.height, crlf.height);
    EXPECT_EQ(lf.left, crlf.left);
    EXPECT_EQ(lf.top, crlf.top);
    EXPECT_EQ(lf.right, crlf.right);
    EXPECT_EQ(lf.bottom, crlf.bottom);
}

TEST(MapDescription, LabelLinesAreIgnoredWhateverTheyHold) {
    std::string text = "999\n10\n888\n20\n-1\n1.5\n77\n2.5\n5\n3.5\n6\n4.5\n";
    TMapDesc d = ParseMapDescription(text);
    EXPECT_EQ(d.width, 10u);
    EXPECT_EQ(d.height, 20u);
    EXPECT_EQ(d.left, 1.5f);
    EXPECT_EQ(d.top, 2.5f);
    EXPECT_EQ(d.right, 3.5f);
    EXPECT_EQ(d.bottom, 4.5f);
}

TEST(MapDescription, ValuesFollowTheCConversionRules) {
    struct Row {
        const char* line;
        std::uint32_t integer;
        float real;
    };
    const Row rows[] = {
        {"12abc", 12, 12.0f}, {" 7", 7, 7.0f},
        {"abc", 0, 0.0f},     {"", 0, 0.0f},
        {"30,5", 30, 30.0f},  {"\t+42", 42, 42.0f},
        {"2.5e1", 2, 25.0f},  {"-3", 4294967293u, -3.0f},
        {"1.2.3", 1, 1.2f},   {"99999999999", 2147483647u, 99999999999.0f},
    };
    for (const Row& r : rows) {
        TMapDesc d = ParseMapDescription(Pairs(r.line, "1", r.line, "1", "1", "1"));
        EXPECT_EQ(d.width, r.integer) << "integer line \"" << r.line << "\"";
        EXPECT_EQ(d.left, r.real) << "real line \"" << r.line << "\"";
    }
}

TEST(MapDescription, MissingLinesReadAsZero) {
    TMapDesc d = ParseMapDescription("w\n512\nh\n256\nleft\n10");
    EXPECT_EQ(d.width, 512u);
    EXPECT_EQ(d.height, 256u);
    EXPECT_EQ(d.left, 10.0f) << "a last line without a line feed still counts";
    EXPECT_EQ(d.top, 0.0f);
    EXPECT_EQ(d.right, 0.0f);
    EXPECT_EQ(d.bottom, 0.0f);

    TMapDesc empty = ParseMapDescription("");
    EXPECT_EQ(empty.width, 0u);
    EXPECT_EQ(empty.bottom, 0.0f);
    EXPECT_EQ(CheckMapDescription(empty), "desc.txt gives a width of 0");
}

TEST(MapDescription, ALineOf128CharactersKeeps127AndEndsTheReading) {
    // 126 blanks and "78": the 127 characters kept end in the 7.
    std::string longLine = std::string(126, ' ') + "78";
    TMapDesc d = ParseMapDescription("w\n" + longLine + "\nh\n256\nleft\n1\ntop\n2\n");
    EXPECT_EQ(d.width, 7u) << "only the first 127 characters are converted";
    EXPECT_EQ(d.height, 0u) << "every line after an overlong one reads as empty";
    EXPECT_EQ(d.left, 0.0f);
    EXPECT_EQ(d.top, 0.0f);

    std::string fits = std::string(125, ' ') + "42";
    TMapDesc ok = ParseMapDescription("w\n" + fits + "\nh\n256\nleft\n1\ntop\n2\n");
    EXPECT_EQ(ok.width, 42u) << "a line of exactly 127 characters is read whole";
    EXPECT_EQ(ok.height, 256u);
    EXPECT_EQ(ok.top, 2.0f);
}

TEST(MapDescription, TileCountsTruncateAndPartialTilesKeepTheScale) {
    TMapDesc d = ParseMapDescription(Pairs("1000", "255", "0", "10", "1000", "0"));
    EXPECT_EQ(d.xtiles, 3u);
    EXPECT_EQ(d.ytiles, 0u);
    EXPECT_EQ(d.xscale, 1.0f) << "the scale comes from the full width, not the tiles";
    EXPECT_EQ(TileNumber(d, 0, 0), 1u);
    EXPECT_EQ(TileNumber(d, 2, 0), 3u);
    EXPECT_EQ(TileNumber(d, 0, 1), 4u) << "tile xtiles + 1 starts the second row";
}

TEST(MapDescription, RefusesDescriptionsThatCannotBeDrawn) {
    struct Row {
        std::string text;
        std::string reason;
    };
    const Row rows[] = {
        {Pairs("0", "256", "0", "1", "1", "0"), "desc.txt gives a width of 0"},
        {Pairs("256", "abc", "0", "1", "1", "0"), "desc.txt gives a height of 0"},
        {Pairs("256", "256", "5", "1", "5", "0"),
         "desc.txt gives the same longitude for the left and right edges"},
        {Pairs("256", "256", "0", "2", "1", "2"),
         "desc.txt gives the same latitude for the top and bottom edges"},
        {Pairs("256", "256", "inf", "1", "1", "0"),
         "desc.txt gives an edge that is not a finite number"},
        {Pairs("256", "256", "0", "1", "1e39", "0"),
         "desc.txt gives an edge that is not a finite number"},
        {Pairs("256", "256", "nan", "1", "1", "0"),
         "desc.txt gives an edge that is not a finite number"},
        {Pairs("256", "256", "-3e38", "1", "3e38", "0"),
         "desc.txt gives a longitude scale that is not a finite non-zero number"},
        {Pairs("4000000000", "256", "0", "1", "1e-38", "0"),
         "desc.txt gives a longitude scale that is not a finite non-zero number"},
        {Pairs("256", "4000000000", "0", "1e-38", "1", "0"),
         "desc.txt gives a latitude scale that is not a finite non-zero number"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CheckMapDescription(ParseMapDescription(r.text)), r.reason) << r.text;
    }
}

} // namespace
