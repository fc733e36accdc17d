// The viewer on a display scaled by 2 (QT_SCALE_FACTOR=2, set for this test
// program): the map is drawn one map pixel to one display pixel, crisp, while
// the crosses and the position text keep their physical size.
#include "package_writer.h"
#include "platform_testing.h"
#include "tile_encoder.h"
#include "viewer_fixture.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/view_state.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// A tile whose every pixel says where it lies: red its column, green its
// row, blue a mix of both.
QRgb patternAt(int x, int y) {
    return qRgb(x, y, (x * 7 + y * 13) & 0xFF);
}

std::string PatternTile() {
    std::vector<std::uint8_t> rgba(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgb c = patternAt(x, y);
            std::uint8_t* p = &rgba[std::size_t(y * 256 + x) * 4];
            p[0] = std::uint8_t(qRed(c));
            p[1] = std::uint8_t(qGreen(c));
            p[2] = std::uint8_t(qBlue(c));
            p[3] = 0xFF;
        }
    }
    mapcut::EncoderOptions options;
    options.format = mapcut::TileFormat::Png; // lossless
    std::string png, error;
    EXPECT_TRUE(mapcut::EncodeTile(rgba.data(), 256, options, &png, &error)) << error;
    return png;
}

class ScaleTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0) {
            GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
        }
        testsupport::WriteMap(dir.file("map"), testsupport::DescriptionText(kMap),
                              std::vector<std::string>(16 * 8, PatternTile()));
        ASSERT_TRUE(start());
    }
};

TEST_F(ScaleTest, TilesAreDrawnOneMapPixelToOneDisplayPixel) {
    RECT client{};
    GetClientRect(theApp.mainWindow, &client);
    EXPECT_EQ(client.right, 480) << "the 240-pixel window is 480 of the display's pixels";
    EXPECT_EQ(theApp.viewWidth, 480);
    const QImage view = platform::testing::RenderClient(theApp.mainWindow, Qt::magenta)
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(view.width(), 480);
    // Below the position text and right of the crosses, every pixel is the
    // tile's own: its neighbour to the right is the next map pixel, not a
    // copy of it.
    int checked = 0;
    for (int y = 120; y < view.height() - 1; ++y) {
        for (int x = 300; x < view.width() - 1; ++x) {
            const QRgb c = view.pixel(x, y);
            const int tx = qRed(c), ty = qGreen(c);
            ASSERT_EQ(c, patternAt(tx, ty)) << x << "," << y << " is no tile pixel";
            ASSERT_EQ(view.pixel(x + 1, y), patternAt((tx + 1) % 256, ty)) << x << "," << y;
            ASSERT_EQ(view.pixel(x, y + 1), patternAt(tx, (ty + 1) % 256)) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50000);
}

// The red cross: 13 display pixels a stroke, 2 wide, as 7 and 1 are at
// scale 1; the text's box twice as high as at scale 1.
TEST_F(ScaleTest, TheCrossesAndTheTextKeepTheirPhysicalSize) {
    theView.gpsLongitude = theView.centreLongitude + 1; // the yellow cross elsewhere
    const QImage view = platform::testing::RenderClient(theApp.mainWindow, Qt::magenta)
                            .convertToFormat(QImage::Format_RGB32);
    const int cx = theApp.viewWidth / 2, cy = theApp.viewHeight / 2;
    const QRgb red = qRgb(255, 0, 0);
    for (int d = -6; d <= 6; ++d) {
        EXPECT_EQ(view.pixel(cx + d, cy), red) << d;
        EXPECT_EQ(view.pixel(cx + d, cy - 1), red) << d << ", the stroke's second row";
        EXPECT_EQ(view.pixel(cx, cy + d), red) << d;
    }
    EXPECT_NE(view.pixel(cx + 7, cy), red);
    EXPECT_NE(view.pixel(cx - 7, cy), red);
    // The text's box (black and grey on white) down from its top-left corner.
    auto grey = [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); };
    int boxHeight = 0;
    while (grey(view.pixel(21, 20 + boxHeight))) {
        ++boxHeight;
    }
    EXPECT_GE(boxHeight, 24) << "a 12-pixel line of text, twice";
}

} // namespace
