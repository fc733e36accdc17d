// mapcut as a user runs it, on inputs written with GDAL: every package's
// points must land where the viewer looks for them.
#include "child_process.h"
#include "map_fixture.h"
#include "test_rasters.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unzip.h>
#include <vector>

namespace {

using namespace testsupport;

const std::string kBin = TARVO_BINARY_DIR;
const COLORREF kGround = RGB(150, 170, 120), kRed = RGB(230, 20, 20), kWhite = RGB(255, 255, 255);
const char kUtm36[] = "EPSG:32636";

CommandResult Mapcut(const std::string& arguments) {
    return RunCommand(kBin + "/mapcut " + arguments);
}

// Every package must pass mapinfo and open in the viewer's own reader.
void ExpectSoundPackage(const std::string& prefix) {
    CommandResult info = RunCommand(kBin + "/mapinfo " + prefix);
    EXPECT_EQ(info.status, 0) << info.output;
}

void ExpectMarkAt(const std::string& prefix, double lon, double lat, COLORREF c = kRed) {
    double dx = 0, dy = 0;
    ASSERT_TRUE(FindMarkNear(prefix, lon, lat, c, &dx, &dy))
        << "no mark near " << lon << ", " << lat;
    EXPECT_LE(std::fabs(dx), 1.0) << "at " << lon << ", " << lat;
    EXPECT_LE(std::fabs(dy), 1.0) << "at " << lon << ", " << lat;
}

struct LonLat {
    double lon, lat;
};

// Points near each corner and in the middle of a 30 x 22 km area in UTM 36N.
const LonLat kPoints[] = {
    {33.02, 50.54}, {33.38, 50.54}, {33.02, 50.36}, {33.38, 50.36}, {33.2, 50.45}};

// An image of the area in UTM 36N at 25 m a pixel with the points marked;
// `gt` receives its geotransform and `marks` where the marks' middles lie.
// A rotation (degrees) turns the image against the grid.
TestRaster UtmImage(double gt[6], std::vector<LonLat>* marks, double rotation = 0) {
    const int w = rotation != 0 ? 1700 : 1300, h = rotation != 0 ? 1700 : 1000;
    const double a = rotation * 3.14159265358979 / 180, res = 25;
    double ec, nc; // the area's middle is the image's middle
    Project(kUtm36, 33.2, 50.45, &ec, &nc);
    const double c = std::cos(a), s = std::sin(a);
    const double t[6] = {ec - res * (c * w / 2 + s * h / 2), res * c, res * s,
                         nc - res * (s * w / 2 - c * h / 2), res * s, -res * c};
    std::copy(t, t + 6, gt);
    TestRaster image(w, h, kGround);
    const double det = t[1] * t[5] - t[2] * t[4];
    marks->clear();
    for (const LonLat& p : kPoints) {
        double e, n;
        Project(kUtm36, p.lon, p.lat, &e, &n);
        // The mark is centred on the middle of the pixel that holds the point.
        const double x = std::floor((t[5] * (e - t[0]) - t[2] * (n - t[3])) / det) + 0.5;
        const double y = std::floor((-t[4] * (e - t[0]) + t[1] * (n - t[3])) / det) + 0.5;
        image.mark(x, y, kRed, 3);
        LonLat m;
        Unproject(kUtm36, t[0] + x * t[1] + y * t[2], t[3] + x * t[4] + y * t[5], &m.lon, &m.lat);
        marks->push_back(m);
    }
    return image;
}

void ExpectEveryPoint(const std::string& prefix, const std::vector<LonLat>& marks) {
    for (const LonLat& p : marks) {
        ExpectMarkAt(prefix, p.lon, p.lat);
    }
}

TEST(Mapcut, AUtmGeoTiffPutsEveryPointOnItsPixel) {
    TempDir dir;
    double gt[6];
    std::vector<LonLat> marks;
    WriteRaster(dir.file("topo.tif"), "GTiff", UtmImage(gt, &marks), gt, kUtm36);
    CommandResult cut = Mapcut(dir.file("topo.tif") + " " + dir.file("map"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    EXPECT_NE(cut.output.find("topo.tif: 1300 x 1000 pixels, WGS 84 / UTM zone 36N"),
              std::string::npos)
        << cut.output;
    EXPECT_NE(cut.output.find("longitude/latitude on WGS 84"), std::string::npos) << cut.output;
    EXPECT_NE(cut.output.find("25 m a pixel at the centre"), std::string::npos) << cut.output;
    EXPECT_NE(cut.output.find("wrote "), std::string::npos) << "a one-line summary";
    ExpectEveryPoint(dir.file("map"), marks);
    ExpectSoundPackage(dir.file("map"));
}

// A national grid on another datum: the package keeps that datum's
// longitude/latitude and says so, or is made on WGS 84 when asked.
TEST(Mapcut, ASheetOnAnotherDatumSaysSoAndCanBeMadeOnWgs84) {
    TempDir dir;
    const char kPulkovo[] = "EPSG:28406"; // Pulkovo 1942 / Gauss-Kruger zone 6
    const int w = 800, h = 800;
    double e, n;
    Project(kPulkovo, 33.1, 50.5, &e, &n);
    const double gt[6] = {e, 25, 0, n, 0, -25};
    TestRaster image(w, h, kGround);
    std::vector<LonLat> marks;
    for (auto [x, y] : {std::pair{100.5, 120.5}, {650.5, 300.5}, {400.5, 700.5}}) {
        image.mark(x, y, kRed, 3);
        LonLat m;
        Unproject(kPulkovo, gt[0] + x * gt[1], gt[3] + y * gt[5], &m.lon, &m.lat);
        marks.push_back(m);
    }
    WriteRaster(dir.file("gk.tif"), "GTiff", image, gt, kPulkovo);
    CommandResult own = Mapcut(dir.file("gk.tif") + " " + dir.file("own"));
    ASSERT_EQ(own.status, 0) << own.output;
    EXPECT_NE(own.output.find("longitude/latitude on Pulkovo 1942"), std::string::npos)
        << own.output;
    EXPECT_NE(own.output.find("not on WGS 84 as GPS gives them; --wgs84"), std::string::npos);
    CommandResult gps = Mapcut("--wgs84 " + dir.file("gk.tif") + " " + dir.file("gps"));
    ASSERT_EQ(gps.status, 0) << gps.output;
    EXPECT_NE(gps.output.find("longitude/latitude on WGS 84"), std::string::npos) << gps.output;
    EXPECT_EQ(gps.output.find("note: positions are on"), std::string::npos);
    ExpectEveryPoint(dir.file("gps"), marks);
    ExpectSoundPackage(dir.file("gps"));
}

TEST(Mapcut, AWorldFileWithItsPrjAndARotatedSheetLandTheSame) {
    TempDir dir;
    double gt[6];
    std::vector<LonLat> marks;
    WriteRaster(dir.file("scan.png"), "PNG", UtmImage(gt, &marks));
    WriteWorldFile(dir.file("scan.pgw"), gt);
    WritePrj(dir.file("scan.prj"), kUtm36);
    CommandResult world = Mapcut(dir.file("scan.png") + " " + dir.file("world"));
    ASSERT_EQ(world.status, 0) << world.output;
    ExpectEveryPoint(dir.file("world"), marks);

    WriteRaster(dir.file("turned.tif"), "GTiff", UtmImage(gt, &marks, 12), gt, kUtm36);
    CommandResult turned =
        Mapcut("--resampling bilinear " + dir.file("turned.tif") + " " + dir.file("turned"));
    ASSERT_EQ(turned.status, 0) << turned.output;
    ExpectEveryPoint(dir.file("turned"), marks);
    ExpectSoundPackage(dir.file("turned"));
}

// An OziExplorer calibration in degrees, four points at the image's corners.
std::string OziMap(const std::string& image, int w, int h, double left, double top, double right,
                   double bottom) {
    std::string text = "OziExplorer Map Data File Version 2.2\nsheet\n" + image +
                       "\n1 ,Map Code,\nWGS 84,WGS 84,   0.0000,   0.0000,WGS 84\nReserved 1\n"
                       "Reserved 2\nMagnetic Variation,,,E\n"
                       "Map Projection,Latitude/Longitude,PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\n";
    const double corners[4][4] = {{0, 0, top, left},
                                  {double(w), 0, top, right},
                                  {0, double(h), bottom, left},
                                  {double(w), double(h), bottom, right}};
    char line[256];
    for (int i = 0; i < 30; ++i) {
        if (i < 4) {
            const double* c = corners[i];
            std::snprintf(line, sizeof line,
                          "Point%02d,xy,%5d,%5d,in, deg,%4d,%9.6f,N,%4d,%9.6f,E, grid,   ,        "
                          "   ,           ,N\n",
                          i + 1, int(c[0]), int(c[1]), int(c[2]), (c[2] - int(c[2])) * 60,
                          int(c[3]), (c[3] - int(c[3])) * 60);
        } else {
            std::snprintf(line, sizeof line,
                          "Point%02d,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, "
                          "grid,   ,           ,           ,N\n",
                          i + 1);
        }
        text += line;
    }
    std::snprintf(line, sizeof line,
                  "Projection Setup,,,,,,,,,,\nIWH,Map Image Width/Height,%d,%d\n", w, h);
    return text + line;
}

TEST(Mapcut, AnOziExplorerCalibrationPlacesAScannedSheet) {
    TempDir dir;
    const int w = 900, h = 700;
    const double left = 24.1, top = 56.95, right = 24.25, bottom = 56.88;
    TestRaster image(w, h, kGround);
    const LonLat points[] = {{24.11, 56.94}, {24.24, 56.89}, {24.2, 56.93}};
    for (const LonLat& p : points) {
        image.mark((p.lon - left) / (right - left) * w, (top - p.lat) / (top - bottom) * h, kRed);
    }
    WriteRaster(dir.file("sheet.jpg"), "JPEG", image);
    WriteFile(dir.file("sheet.cal"), OziMap("C:\\maps\\sheet.jpg", w, h, left, top, right, bottom));
    WriteFile(dir.file("other.map"), ReadFile(dir.file("sheet.cal")));
    auto expectPlaced = [&](const std::string& input) {
        CommandResult cut = Mapcut("--resampling bilinear " + input + " " + dir.file("ozi"));
        ASSERT_EQ(cut.status, 0) << cut.output;
        for (const LonLat& p : points) {
            ExpectMarkAt(dir.file("ozi"), p.lon, p.lat);
        }
        ExpectSoundPackage(dir.file("ozi"));
    };
    // Given with the image, then found beside it under the image's name.
    expectPlaced(dir.file("sheet.jpg") + "+" + dir.file("other.map"));
    WriteFile(dir.file("sheet.map"), ReadFile(dir.file("sheet.cal")));
    expectPlaced(dir.file("sheet.jpg"));
}

TEST(Mapcut, ThreeSheetsBecomeOneMosaicWithoutASeam) {
    TempDir dir;
    // Side by side in longitude, each at its own resolution, so the mosaic
    // resamples two of them onto the finest one's grid.
    const COLORREF colours[] = {RGB(200, 40, 40), RGB(40, 160, 40), RGB(40, 40, 200)};
    const double edges[] = {30.0, 30.3, 30.5, 30.9};
    const double resolutions[] = {0.001, 0.0008, 0.00125};
    std::string inputs;
    for (int i = 0; i < 3; ++i) {
        const double r = resolutions[i];
        const int w = int(std::lround((edges[i + 1] - edges[i]) / r)),
                  h = int(std::lround(0.2 / r));
        const double gt[6] = {edges[i], r, 0, 50.2, 0, -r};
        const std::string name = dir.file("sheet" + std::to_string(i) + ".tif");
        WriteRaster(name, "GTiff", TestRaster(w, h, colours[i]), gt, "EPSG:4326");
        inputs += name + " ";
    }
    CommandResult cut = Mapcut("--resampling bilinear " + inputs + dir.file("mosaic"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    MapPackage map(Wide(dir.file("mosaic")).c_str());
    ASSERT_TRUE(map.isOpen()) << map.errorText();
    const TMapDesc& d = map.desc;
    EXPECT_EQ(d.left, 30.0f);
    EXPECT_EQ(d.top, 50.2f);
    const int w = int(d.width), h = int(d.height);
    platform::OffscreenDC dc(w, h);
    map.draw(dc.hdc(), d.left + w / 2 * d.xscale, d.top + h / 2 * d.yscale, RECT{0, 0, w, h}, 1.0f);
    const int covered = int((30.9 - 30.0) / d.xscale), rows = int(0.2 / -d.yscale);
    int gaps = 0;
    for (int y = 0; y < rows - 1; ++y) {
        for (int x = 0; x < covered - 1; ++x) {
            gaps += dc.pixel(x, y) == kWhite;
        }
    }
    EXPECT_EQ(gaps, 0) << "pixels of the window colour inside the sheets";
    for (int i = 0; i < 3; ++i) {
        const int x = int(((edges[i] + edges[i + 1]) / 2 - 30.0) / d.xscale);
        const COLORREF got = dc.pixel(x, rows / 2);
        EXPECT_NEAR(GetRValue(got), GetRValue(colours[i]), 1) << "sheet " << i;
        EXPECT_NEAR(GetGValue(got), GetGValue(colours[i]), 1) << "sheet " << i;
        EXPECT_NEAR(GetBValue(got), GetBValue(colours[i]), 1) << "sheet " << i;
    }
    EXPECT_EQ(dc.pixel(w - 1, h - 1), kWhite) << "the rest of the last tiles is window colour";
    ExpectSoundPackage(dir.file("mosaic"));
}

TEST(Mapcut, NodataShowsTheWindowColourWhetherCopiedOrWarped) {
    TempDir dir;
    TestRaster image(512, 256, kGround);
    image.fill(0, 0, 128, 128, RGB(0, 0, 0)); // nodata
    const double gt[6] = {10, 0.001, 0, 45, 0, -0.001};
    WriteRasterWithNodata(dir.file("holes.tif"), image, gt, "EPSG:4326", 0);
    for (const char* options : {"", "--resolution 50 --resampling bilinear "}) {
        SCOPED_TRACE(options);
        CommandResult cut =
            Mapcut(std::string(options) + dir.file("holes.tif") + " " + dir.file("holes"));
        ASSERT_EQ(cut.status, 0) << cut.output;
        MapPackage map(Wide(dir.file("holes")).c_str());
        ASSERT_TRUE(map.isOpen());
        platform::OffscreenDC dc(64, 64);
        // Centred in the hole, then in the image's ground.
        map.draw(dc.hdc(), 10.064f, 44.936f, RECT{0, 0, 64, 64}, 1.0f);
        EXPECT_EQ(dc.pixel(32, 32), kWhite);
        map.draw(dc.hdc(), 10.3f, 44.85f, RECT{0, 0, 64, 64}, 1.0f);
        const COLORREF ground = dc.pixel(32, 32);
        EXPECT_NEAR(GetGValue(ground), GetGValue(kGround), 6);
        EXPECT_NEAR(GetRValue(ground), GetRValue(kGround), 6);
        ExpectSoundPackage(dir.file("holes"));
    }
}

TEST(Mapcut, APlainImageNeedsBoundsAndKeepsItsPixelsAndCorners) {
    TempDir dir;
    TestRaster image(512, 256, kGround);
    const COLORREF corners[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)};
    image.fill(0, 0, 1, 1, corners[0]);
    image.fill(511, 0, 512, 1, corners[1]);
    image.fill(0, 255, 1, 256, corners[2]);
    image.fill(511, 255, 512, 256, corners[3]);
    WriteRaster(dir.file("plain.png"), "PNG", image);

    CommandResult refused = Mapcut(dir.file("plain.png") + " " + dir.file("map"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("plain.png: has no georeference"), std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("give --bounds"), std::string::npos);

    CommandResult cut =
        Mapcut("--bounds 20 60 23.5 57.5 " + dir.file("plain.png") + " " + dir.file("map"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    MapPackage map(Wide(dir.file("map")).c_str());
    ASSERT_TRUE(map.isOpen()) << map.errorText();
    EXPECT_EQ(map.desc.width, 512u);
    EXPECT_EQ(map.desc.height, 256u);
    EXPECT_EQ(map.desc.left, 20.0f);
    EXPECT_EQ(map.desc.top, 60.0f);
    EXPECT_EQ(map.desc.right, 23.5f);
    EXPECT_EQ(map.desc.bottom, 57.5f);
    // The bounds are the outer edges of the outer pixels: a point just inside
    // each corner lies in that corner's pixel.
    const double dx = 3.5 / 512 / 4, dy = 2.5 / 256 / 4;
    const LonLat near[] = {
        {20 + dx, 60 - dy}, {23.5 - dx, 60 - dy}, {20 + dx, 57.5 + dy}, {23.5 - dx, 57.5 + dy}};
    for (int i = 0; i < 4; ++i) {
        ExpectMarkAt(dir.file("map"), near[i].lon, near[i].lat, corners[i]);
    }
    ExpectSoundPackage(dir.file("map"));
}

TEST(Mapcut, APaletteMapBecomesExactPalettePngAndAPhotoJpeg) {
    TempDir dir;
    const int w = 512, h = 256;
    std::vector<COLORREF> palette;
    for (int i = 0; i < 200; ++i) {
        palette.push_back(RGB(BYTE(i), BYTE(255 - i), BYTE(i * 7)));
    }
    std::vector<std::uint8_t> indices(std::size_t(w) * h);
    std::uint32_t seed = 7;
    for (std::uint8_t& i : indices) {
        seed = seed * 1664525 + 1013904223;
        i = std::uint8_t((seed >> 24) % 200);
    }
    const double gt[6] = {10, 0.001, 0, 45, 0, -0.001};
    WritePaletteTiff(dir.file("drawn.tif"), w, h, indices, palette, gt, "EPSG:4326");
    CommandResult cut = Mapcut(dir.file("drawn.tif") + " " + dir.file("drawn"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    MapPackage map(Wide(dir.file("drawn")).c_str());
    ASSERT_TRUE(map.isOpen()) << map.errorText();
    const std::vector<std::uint8_t> tile = map.tileBytes(1);
    ASSERT_GT(tile.size(), 26u);
    EXPECT_EQ(std::string(tile.begin() + 1, tile.begin() + 4), "PNG");
    EXPECT_EQ(tile[25], 3) << "a palette PNG";
    platform::OffscreenDC dc(w, h);
    map.draw(dc.hdc(), 10 + 256 * map.desc.xscale, 45 + 128 * map.desc.yscale, RECT{0, 0, w, h},
             1.0f);
    int differ = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            differ += dc.pixel(x, y) != palette[indices[std::size_t(y) * w + x]];
        }
    }
    EXPECT_EQ(differ, 0) << "pixels not identical to the source";
    ExpectSoundPackage(dir.file("drawn"));

    TestRaster photo(512, 256, kGround);
    for (std::uint8_t& b : photo.rgb) {
        seed = seed * 1664525 + 1013904223;
        b = std::uint8_t(seed >> 24);
    }
    WriteRaster(dir.file("photo.tif"), "GTiff", photo, gt, "EPSG:4326");
    ASSERT_EQ(Mapcut(dir.file("photo.tif") + " " + dir.file("photo")).status, 0);
    MapPackage photoMap(Wide(dir.file("photo")).c_str());
    ASSERT_TRUE(photoMap.isOpen());
    const std::vector<std::uint8_t> jpeg = photoMap.tileBytes(1);
    ASSERT_GT(jpeg.size(), 3u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8) << "a JPEG";
    ExpectSoundPackage(dir.file("photo"));
}

TEST(Mapcut, ACropCutsARegionOfTheSourceGrid) {
    TempDir dir;
    TestRaster image(1024, 768, kGround);
    image.mark(600.5, 300.5, kRed);
    const double gt[6] = {30, 0.001, 0, 51, 0, -0.001};
    WriteRaster(dir.file("big.tif"), "GTiff", image, gt, "EPSG:4326");
    CommandResult cut =
        Mapcut("--crop 30.5 50.8 30.75 50.6 " + dir.file("big.tif") + " " + dir.file("part"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    MapPackage map(Wide(dir.file("part")).c_str());
    ASSERT_TRUE(map.isOpen());
    EXPECT_NEAR(map.desc.left, 30.5, 1e-5);
    EXPECT_NEAR(map.desc.top, 50.8, 1e-5);
    EXPECT_EQ(map.desc.width, 256u);
    EXPECT_EQ(map.desc.height, 256u);
    ExpectMarkAt(dir.file("part"), 30.6005, 50.6995);

    CommandResult outside =
        Mapcut("--crop 40 10 41 9 " + dir.file("big.tif") + " " + dir.file("none"));
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.output.find("--crop lies outside the images"), std::string::npos);
}

// Every input format GDAL reads goes in; every tile format comes out.
TEST(Mapcut, EveryInputAndTileFormatRoundTrips) {
    TempDir dir;
    TestRaster image(768, 512, kGround);
    image.fill(256, 256, 512, 512, RGB(40, 60, 200));
    WriteRaster(dir.file("in.png"), "PNG", image);
    WriteRaster(dir.file("in.jpg"), "JPEG", image);
    WriteRaster(dir.file("in.tif"), "GTiff", image);
    struct Case {
        const char* input;
        const char* format;
        int tolerance;
    };
    const Case cases[] = {{"in.png", "png8", 0},
                          {"in.png", "png", 0},
                          {"in.png", "jpeg", 6},
                          {"in.jpg", "png8", 8},
                          {"in.tif", "png", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " as " + c.format);
        CommandResult cut = Mapcut(std::string("--format ") + c.format + " --bounds 20 60 23 58 " +
                                   dir.file(c.input) + " " + dir.file("out"));
        ASSERT_EQ(cut.status, 0) << cut.output;
        MapPackage map(Wide(dir.file("out")).c_str());
        ASSERT_TRUE(map.isOpen());
        platform::OffscreenDC dc(768, 512);
        map.draw(dc.hdc(), 21.5f, 59.0f, RECT{0, 0, 768, 512}, 1.0f);
        for (auto [x, y] : {std::pair{100, 100}, {384, 384}, {700, 400}}) {
            const COLORREF want = image.at(x, y), got = dc.pixel(x, y);
            EXPECT_NEAR(GetRValue(got), GetRValue(want), c.tolerance) << x << "," << y;
            EXPECT_NEAR(GetGValue(got), GetGValue(want), c.tolerance) << x << "," << y;
            EXPECT_NEAR(GetBValue(got), GetBValue(want), c.tolerance) << x << "," << y;
        }
        ExpectSoundPackage(dir.file("out"));
    }
}

TEST(Mapcut, ACmykJpegIsRead) {
    TempDir dir;
    const int w = 256, h = 256;
    std::vector<unsigned char> cmyk(std::size_t(w) * h * 4, 0);
    for (std::size_t i = 0; i < cmyk.size(); i += 4) {
        cmyk[i + 1] = 255; // magenta
    }
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(tj, cmyk.data(), w, w * 4, h, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 95, 0),
              0);
    WriteFile(dir.file("cmyk.jpg"), std::string(reinterpret_cast<char*>(jpeg), size));
    tjFree(jpeg);
    tjDestroy(tj);
    CommandResult cut = Mapcut("--bounds 0 1 1 0 " + dir.file("cmyk.jpg") + " " + dir.file("cmyk"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    ExpectSoundPackage(dir.file("cmyk"));
}

TEST(Mapcut, TellsTheUserWhatIsWrong) {
    TempDir dir;
    WriteFile(dir.file("notes.txt"), "hello");
    CommandResult text = Mapcut("--bounds 0 1 1 0 " + dir.file("notes.txt") + " " + dir.file("m"));
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.output.find("notes.txt: not an image GDAL can read"), std::string::npos)
        << text.output;
    CommandResult none = Mapcut(dir.file("none.png") + " " + dir.file("m"));
    EXPECT_NE(none.output.find("none.png: cannot open (No such file or directory)"),
              std::string::npos)
        << none.output;
    WriteRaster(dir.file("in.png"), "PNG", TestRaster(300, 300, kGround));
    CommandResult folder =
        Mapcut("--bounds 0 1 1 0 " + dir.file("in.png") + " " + dir.file("missing/map"));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.output,
              "mapcut: " + dir.file("missing") + ": no such folder (No such file or directory)\n");
    CommandResult flat = Mapcut("--bounds 20 60 20 57 " + dir.file("in.png") + " " + dir.file("m"));
    EXPECT_EQ(flat.status, 1) << flat.output;
    CommandResult format = Mapcut("--format gif " + dir.file("in.png") + " " + dir.file("m"));
    EXPECT_EQ(format.status, 2);
    EXPECT_NE(format.output.find("--format: not auto, jpeg, png or png8: gif"), std::string::npos);
}

TEST(Mapcut, AFailedCutLeavesTheEarlierPackageAloneAndEntriesAreDated) {
    TempDir dir;
    WriteRaster(dir.file("in.png"), "PNG", TestRaster(512, 512, kGround));
    ASSERT_EQ(Mapcut("--bounds 0 1 1 0 " + dir.file("in.png") + " " + dir.file("out")).status, 0);
    const std::string dt1 = ReadFile(dir.file("out.dt1")), dt2 = ReadFile(dir.file("out.dt2"));

    unzFile zip = unzOpen64(dir.file("out.dt1").c_str());
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(unzLocateFile(zip, "desc.txt", 0), UNZ_OK);
    unz_file_info64 info;
    ASSERT_EQ(unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
    unzClose(zip);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(int(info.tmu_date.tm_year), local.tm_year + 1900);
    EXPECT_GE(int(info.tmu_date.tm_mday), 1) << "a real date, not day 0";

    const std::string png = ReadFile(dir.file("in.png"));
    WriteFile(dir.file("in.png"), png.substr(0, png.size() / 3));
    CommandResult cut = Mapcut("--bounds 0 1 1 0 " + dir.file("in.png") + " " + dir.file("out"));
    EXPECT_EQ(cut.status, 1) << cut.output;
    EXPECT_EQ(ReadFile(dir.file("out.dt1")), dt1);
    EXPECT_EQ(ReadFile(dir.file("out.dt2")), dt2);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << "no temporary file is left behind";
    }
}

} // namespace
