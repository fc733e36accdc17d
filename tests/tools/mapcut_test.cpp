#include "cutter.h"
#include "map/map_package.h"
#include "map_fixture.h"
#include "platform/offscreen_dc.h"
#include "world_file.h"

#include <QImage>
#include <cstdio>
#include <gtest/gtest.h>
#include <tiffio.h>

namespace {

using namespace testsupport;

// 3.5 x 2.5 tiles; each 256-pixel block has its own colour.
constexpr int kWidth = 896, kHeight = 640;

COLORREF BlockColour(int col, int row) {
    return RGB(BYTE(40 + 50 * col), BYTE(30 + 70 * row), 90);
}

QImage TestImage() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            COLORREF c = BlockColour(x / 256, y / 256);
            image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    }
    return image;
}

void SaveTiff(const QImage& image, const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height());
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        ASSERT_EQ(TIFFWriteScanline(tiff, rgb.scanLine(y), uint32_t(y), 0), 1);
    }
    TIFFClose(tiff);
}

bool Cut(const std::string& image, const std::string& prefix, mapcut::TileFormat format,
         std::string* error, const mapcut::Bounds& bounds = {20, 60, 23.5, 57.5}) {
    auto source = mapcut::OpenImage(image, error);
    if (!source) {
        return false;
    }
    mapcut::EncoderOptions options;
    options.format = format;
    return mapcut::CutMap(*source, bounds, prefix, options, nullptr, error);
}

// Opens the package and checks its description and every tile's colour.
void ExpectRoundTrip(const std::string& prefix, int tolerance) {
    MapPackage map(Wide(prefix).c_str());
    ASSERT_TRUE(map.isOpen()) << map.errorText();
    EXPECT_EQ(map.desc.width, std::uint32_t(kWidth));
    EXPECT_EQ(map.desc.height, std::uint32_t(kHeight));
    EXPECT_EQ(map.desc.left, 20.0f);
    EXPECT_EQ(map.desc.top, 60.0f);
    EXPECT_EQ(map.desc.right, 23.5f);
    EXPECT_EQ(map.desc.bottom, 57.5f);
    EXPECT_EQ(map.desc.xtiles, 3u) << "the partial column is dropped";
    EXPECT_EQ(map.desc.ytiles, 2u) << "the partial row is dropped";
    platform::OffscreenDC dc(kWidth, kHeight);
    // Centre on the map's middle pixel so that map pixel = screen pixel.
    map.draw(dc.hdc(), 20.0f + 448 * map.desc.xscale, 60.0f + 320 * map.desc.yscale,
             RECT{0, 0, kWidth, kHeight}, 1.0f);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            COLORREF want = BlockColour(col, row), got = dc.pixel(col * 256 + 128, row * 256 + 128);
            EXPECT_NEAR(GetRValue(got), GetRValue(want), tolerance) << col << "," << row;
            EXPECT_NEAR(GetGValue(got), GetGValue(want), tolerance) << col << "," << row;
            EXPECT_NEAR(GetBValue(got), GetBValue(want), tolerance) << col << "," << row;
        }
    }
    EXPECT_EQ(dc.pixel(800, 100), RGB(255, 255, 255)) << "no tile right of the last column";
}

TEST(Mapcut, RoundTripsEveryTileFormatAndInput) {
    TempDir dir;
    const QImage image = TestImage();
    ASSERT_TRUE(image.save(QString::fromStdString(dir.file("in.png")), "PNG"));
    ASSERT_TRUE(image.save(QString::fromStdString(dir.file("in.jpg")), "JPEG", 95));
    SaveTiff(image, dir.file("in.tif"));
    struct Case {
        const char* input;
        mapcut::TileFormat format;
        int tolerance;
    };
    const Case cases[] = {
        {"in.png", mapcut::TileFormat::Png8, 0}, {"in.png", mapcut::TileFormat::Png, 0},
        {"in.png", mapcut::TileFormat::Jpeg, 4}, {"in.jpg", mapcut::TileFormat::Png8, 4},
        {"in.tif", mapcut::TileFormat::Png8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " as " + mapcut::TileFormatName(c.format));
        std::string error;
        ASSERT_TRUE(Cut(dir.file(c.input), dir.file("out"), c.format, &error)) << error;
        ExpectRoundTrip(dir.file("out"), c.tolerance);
    }
}

TEST(Mapcut, QuantisesTilesOfManyColoursToAPalette) {
    TempDir dir;
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
        }
    }
    ASSERT_TRUE(image.save(QString::fromStdString(dir.file("in.png")), "PNG"));
    std::string error;
    ASSERT_TRUE(
        Cut(dir.file("in.png"), dir.file("out"), mapcut::TileFormat::Png8, &error, {0, 1, 1, 0}))
        << error;
    MapPackage map(Wide(dir.file("out")).c_str());
    ASSERT_TRUE(map.isOpen());
    ASSERT_NE(map.getTileImage(1), nullptr);
    EXPECT_LT(map.tileLength(1), 256 * 256 + 1024) << "one byte a pixel at most";
}

TEST(Mapcut, AFailedCutLeavesTheEarlierPackageAlone) {
    TempDir dir;
    WriteNumberedMap(dir.file("out"), {512, 256, 0, 1, 2, 0});
    const std::string dt1 = ReadFile(dir.file("out.dt1")), dt2 = ReadFile(dir.file("out.dt2"));
    ASSERT_TRUE(TestImage().save(QString::fromStdString(dir.file("in.png")), "PNG"));
    std::string png = ReadFile(dir.file("in.png"));
    WriteFile(dir.file("in.png"), png.substr(0, png.size() / 3));
    std::string error;
    EXPECT_FALSE(Cut(dir.file("in.png"), dir.file("out"), mapcut::TileFormat::Png8, &error));
    EXPECT_EQ(error, "the PNG data is damaged");
    EXPECT_EQ(ReadFile(dir.file("out.dt1")), dt1);
    EXPECT_EQ(ReadFile(dir.file("out.dt2")), dt2);
    EXPECT_EQ(ReadFile(dir.file("out.dt2.tmp")), "") << "no temporary file is left behind";
}

TEST(Mapcut, RefusesInputsItCannotUse) {
    TempDir dir;
    std::string error;
    WriteFile(dir.file("notes.txt"), "hello");
    EXPECT_FALSE(Cut(dir.file("notes.txt"), dir.file("out"), mapcut::TileFormat::Png, &error));
    EXPECT_EQ(error, dir.file("notes.txt") + ": not a PNG, JPEG or TIFF image");
    EXPECT_FALSE(Cut(dir.file("none.png"), dir.file("out"), mapcut::TileFormat::Png, &error));
    EXPECT_EQ(error, dir.file("none.png") + ": cannot open (No such file or directory)");
    ASSERT_TRUE(TestImage().save(QString::fromStdString(dir.file("in.png")), "PNG"));
    EXPECT_FALSE(Cut(dir.file("in.png"), dir.file("out"), mapcut::TileFormat::Png, &error,
                     {20, 60, 20, 57}));
    EXPECT_EQ(error, "the bounds enclose no area");
}

TEST(WorldFile, GivesTheOuterEdgesOfTheImage) {
    TempDir dir;
    WriteFile(dir.file("map.png"), "");
    WriteFile(dir.file("map.pgw"), "0.5\n0\n0\n-0.25\n10.25\n49.875\n");
    ASSERT_EQ(mapcut::FindWorldFile(dir.file("map.png")), dir.file("map.pgw"));
    mapcut::Bounds b;
    std::string error;
    ASSERT_TRUE(mapcut::ReadWorldFile(dir.file("map.pgw"), 100, 40, &b, &error)) << error;
    EXPECT_EQ(b.left, 10.0);
    EXPECT_EQ(b.top, 50.0);
    EXPECT_EQ(b.right, 60.0);
    EXPECT_EQ(b.bottom, 40.0);

    WriteFile(dir.file("map.pgw"), "0.5\n0.1\n0\n-0.25\n10.25\n49.875\n");
    EXPECT_FALSE(mapcut::ReadWorldFile(dir.file("map.pgw"), 100, 40, &b, &error));
    EXPECT_EQ(error,
              dir.file("map.pgw") + ": the image is rotated; only north-up images can be cut");
    WriteFile(dir.file("map.pgw"), "0.5\n0\n");
    EXPECT_FALSE(mapcut::ReadWorldFile(dir.file("map.pgw"), 100, 40, &b, &error));

    std::remove(dir.file("map.pgw").c_str());
    WriteFile(dir.file("map.wld"), "1\n0\n0\n-1\n0.5\n-0.5\n");
    EXPECT_EQ(mapcut::FindWorldFile(dir.file("map.png")), dir.file("map.wld"));
    std::remove(dir.file("map.wld").c_str());
    EXPECT_EQ(mapcut::FindWorldFile(dir.file("map.png")), "");
}

} // namespace
