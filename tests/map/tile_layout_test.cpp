#include "map_fixture.h"

#include "map/map_package.h"
#include "map/tile_layout.h"

#include "platform/drawing/offscreen_dc.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

using namespace testsupport;

const COLORREF kWindow = RGB(255, 255, 255);
const COLORREF kUntouched = RGB(1, 2, 3);

// 1/1024 degree per pixel both ways; 16 x 8 tiles from (30, 50) to (34, 48).
const MapShape kGrid{4096, 2048, 30.0, 50.0, 34.0, 48.0};

TMapDesc Desc(const MapShape& s) {
    return ParseMapDescription(DescriptionText(s));
}

TEST(TileGrid, PlacesTheFirstCellByTruncatedPixelOffsets) {
    const TMapDesc d = Desc(kGrid);
    struct Row {
        float lon;
        int width;
        float zoom;
        int tileSize, col0, x0;
    };
    const Row rows[] = {
        {30.5f, 240, 1.0f, 256, 1, -136},                  // px = 392
        {30.0f + 110.0f / 1024, 240, 1.0f, 256, -1, -246}, // px = -10
        {30.0f, 512, 1.0f, 256, -2, -256},                 // px = -T
        {30.5f, 240, 2.0f, 512, 1, -392},                  // px = 904
        {30.5f, 240, 0.5f, 128, 1, -8},                    // px = 136
        {30.0f + 120.0f / 1024, 240, 1.0f, 256, 0, 0},     // px = 0
    };
    for (const Row& r : rows) {
        auto g = ComputeTileGrid(d, r.lon, 49.0f, r.width, 100, r.zoom);
        ASSERT_TRUE(g.has_value());
        EXPECT_EQ(g->tileSize, r.tileSize) << r.lon << " zoom " << r.zoom;
        EXPECT_EQ(g->col0, r.col0) << r.lon << " zoom " << r.zoom;
        EXPECT_EQ(g->x0, r.x0) << r.lon << " zoom " << r.zoom;
    }
}

TEST(TileGrid, RowsRunFromNorthToSouth) {
    const TMapDesc d = Desc(kGrid);
    // Centre 300 pixels south of the top edge, view 200 high: py = 200.
    auto g = ComputeTileGrid(d, 31.0f, 50.0f - 300.0f / 1024, 100, 200, 1.0f);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->row0, 0);
    EXPECT_EQ(g->y0, -200);
}

TEST(TileGrid, RefusesZoomsAndOffsetsTheLayoutCannotDraw) {
    const TMapDesc d = Desc(kGrid);
    for (float zoom : {0.0f, -1.0f, 1.0f / 512, INFINITY, NAN, 131072.0f}) {
        EXPECT_FALSE(ComputeTileGrid(d, 31.0f, 49.0f, 240, 320, zoom)) << "zoom " << zoom;
    }
    EXPECT_TRUE(ComputeTileGrid(d, 31.0f, 49.0f, 240, 320, 1.0f / 256)) << "T = 1 still draws";
    EXPECT_FALSE(ComputeTileGrid(d, 3e7f, 49.0f, 240, 320, 1.0f)) << "px beyond 32 bits";
    EXPECT_FALSE(ComputeTileGrid(d, 31.0f, NAN, 240, 320, 1.0f));
}

class TileLayoutPixels : public ::testing::Test {
protected:
    void SetUp() override {
        WriteNumberedMap(dir.file("map"), kGrid);
        map = std::make_unique<MapPackage>(Wide(dir.file("map")).c_str());
        ASSERT_TRUE(map->isOpen()) << map->errorText();
    }
    COLORREF tile(std::uint32_t col, std::uint32_t row) {
        return TileColour(TileNumber(map->desc, col, row));
    }

    TempDir dir;
    std::unique_ptr<MapPackage> map;
};

TEST_F(TileLayoutPixels, DrawsTheColumnsOfTheWorkedExample) {
    platform::OffscreenDC dc(240, 64, kUntouched);
    // Centre row 1 of the map's tiles in the middle of a 64-pixel-high view.
    map->draw(dc.hdc(), 30.5f, 50.0f - 300.0f / 1024, RECT{0, 0, 240, 64}, 1.0f);
    EXPECT_EQ(dc.pixel(0, 10), tile(1, 1));
    EXPECT_EQ(dc.pixel(119, 10), tile(1, 1));
    EXPECT_EQ(dc.pixel(120, 10), tile(2, 1));
    EXPECT_EQ(dc.pixel(239, 63), tile(2, 1));
}

TEST_F(TileLayoutPixels, FillsCellsWestAndNorthOfTheMap) {
    platform::OffscreenDC dc(240, 64, kUntouched);
    // px = -10, py = -5.
    map->draw(dc.hdc(), 30.0f + 110.0f / 1024, 50.0f + (5.0f - 32.0f) / 1024, RECT{0, 0, 240, 64},
              1.0f);
    EXPECT_EQ(dc.pixel(9, 20), kWindow);
    EXPECT_EQ(dc.pixel(10, 20), tile(0, 0));
    EXPECT_EQ(dc.pixel(100, 4), kWindow);
    EXPECT_EQ(dc.pixel(100, 5), tile(0, 0));
}

TEST_F(TileLayoutPixels, ScalesCellsWithTheZoom) {
    platform::OffscreenDC dc(1024, 64, kUntouched);
    // Zoom 2: T = 512, the left edge of the map at x = 0.
    map->draw(dc.hdc(), 30.0f + 256.0f / 1024, 50.0f - 16.0f / 1024, RECT{0, 0, 1024, 64}, 2.0f);
    EXPECT_EQ(dc.pixel(511, 0), tile(0, 0));
    EXPECT_EQ(dc.pixel(512, 0), tile(1, 0));
    // Zoom 0.5: T = 128.
    map->draw(dc.hdc(), 30.0f + 1024.0f / 1024, 50.0f - 64.0f / 1024, RECT{0, 0, 1024, 64}, 0.5f);
    EXPECT_EQ(dc.pixel(127, 0), tile(0, 0));
    EXPECT_EQ(dc.pixel(128, 0), tile(1, 0));
    EXPECT_EQ(dc.pixel(1023, 63), tile(7, 0));
}

TEST_F(TileLayoutPixels, CellsPastTheLastWholeTileAreFilled) {
    TempDir other;
    // 1000 pixels wide: three whole columns, pixels 768..999 have no tile.
    WriteNumberedMap(other.file("map"), {1000, 256, 0.0, 1.0, 1000.0, 0.0});
    MapPackage narrow(Wide(other.file("map")).c_str());
    ASSERT_TRUE(narrow.isOpen()) << narrow.errorText();
    platform::OffscreenDC dc(1200, 10, kUntouched);
    narrow.draw(dc.hdc(), 600.0f, 0.5f, RECT{0, 0, 1200, 10}, 1.0f);
    EXPECT_EQ(dc.pixel(767, 5), TileColour(3));
    EXPECT_EQ(dc.pixel(768, 5), kWindow);
    EXPECT_EQ(dc.pixel(999, 5), kWindow);
}

TEST_F(TileLayoutPixels, ARectangleOffsetInTheTargetKeepsItsOwnOrigin) {
    platform::OffscreenDC dc(300, 100, kUntouched);
    map->draw(dc.hdc(), 30.5f, 50.0f - 300.0f / 1024, RECT{50, 20, 290, 84}, 1.0f);
    EXPECT_EQ(dc.pixel(49, 50), kUntouched);
    EXPECT_EQ(dc.pixel(50, 50), tile(1, 1));
    EXPECT_EQ(dc.pixel(170, 50), tile(2, 1));
    EXPECT_EQ(dc.pixel(200, 19), kUntouched) << "nothing above the rectangle";
    EXPECT_EQ(dc.pixel(200, 84), kUntouched) << "nothing below it";
}

TEST_F(TileLayoutPixels, AnEmptyRectangleDrawsNothing) {
    platform::OffscreenDC dc(50, 50, kUntouched);
    map->draw(dc.hdc(), 31.0f, 49.0f, RECT{10, 10, 10, 40}, 1.0f);
    map->draw(dc.hdc(), 31.0f, 49.0f, RECT{10, 10, 40, 10}, 1.0f);
    map->draw(dc.hdc(), 31.0f, 49.0f, RECT{40, 10, 10, 40}, 1.0f);
    for (int y = 0; y < 50; y += 7) {
        for (int x = 0; x < 50; x += 7) {
            ASSERT_EQ(dc.pixel(x, y), kUntouched) << x << "," << y;
        }
    }
}

TEST_F(TileLayoutPixels, AnUndrawableZoomFillsTheWholeRectangle) {
    platform::OffscreenDC dc(64, 64, kUntouched);
    map->draw(dc.hdc(), 31.0f, 49.0f, RECT{0, 0, 64, 64}, 1.0f / 1024);
    EXPECT_EQ(dc.pixel(0, 0), kWindow);
    EXPECT_EQ(dc.pixel(63, 63), kWindow);
}

// Zoomed out, the cache holds every tile the view shows, each as a
// thumbnail of its cell: a repaint decodes nothing, and zooming in again
// decodes the tiles at their own size in the thumbnails' place.
TEST_F(TileLayoutPixels, AZoomedOutViewIsDecodedOnceAtItsCellSize) {
    // Zoom 1/8: T = 32, so a 512 x 256 view shows all 128 tiles at once.
    platform::OffscreenDC dc(512, 256, kUntouched);
    std::uint64_t decodes = 0;
    for (int paint = 0; paint < 2; ++paint) {
        map->draw(dc.hdc(), 32.0f, 49.0f, RECT{0, 0, 512, 256}, 0.125f);
        for (std::uint32_t row = 0; row < 8; ++row) {
            for (std::uint32_t col = 0; col < 16; ++col) {
                ASSERT_EQ(dc.pixel(int(col) * 32 + 16, int(row) * 32 + 16), tile(col, row))
                    << "paint " << paint << " tile " << col << "," << row;
            }
        }
        EXPECT_EQ(map->decodeCount(), paint == 0 ? 128u : decodes) << "paint " << paint;
        decodes = map->decodeCount();
    }
    EXPECT_EQ(map->tileCache().size(), 128u);
    EXPECT_EQ(map->tileCache().find(1)->side, 32u) << "a thumbnail of the cell's size";
    map->draw(dc.hdc(), 32.0f, 49.0f, RECT{0, 0, 240, 300}, 1.0f);
    EXPECT_EQ(map->tileCache().capacity(), TileCache::kMaxEntries) << "a handset's view at zoom 1";
    EXPECT_LE(map->tileCache().size(), TileCache::kMaxEntries) << "thumbnails made room";
    EXPECT_EQ(map->tileCache().find(TileNumber(map->desc, 8, 4))->side, 0u);
    EXPECT_EQ(dc.pixel(120, 150), tile(8, 4));
}

// A handset's screen keeps the handset's bound; a desktop-sized view keeps
// every tile it shows, so a repaint without movement decodes nothing.
TEST_F(TileLayoutPixels, ALargeViewKeepsItsTilesBetweenRepaints) {
    EXPECT_EQ(TileCache::CapacityForView(240, 300), TileCache::kMaxEntries);
    EXPECT_EQ(TileCache::CapacityForView(240, 320), TileCache::kMaxEntries);
    EXPECT_EQ(TileCache::CapacityForView(176, 220), TileCache::kMaxEntries);
    EXPECT_EQ(TileCache::CapacityForView(1920, 1080), 11u * 8u);
    EXPECT_EQ(TileCache::CapacityForView(240, 300, 4.0f), TileCache::kMaxEntries);
    EXPECT_EQ(TileCache::CapacityForView(240, 300, 0.5f), 5u * 6u);
    EXPECT_EQ(TileCache::CapacityForView(1920, 1080, 1.0f / 16), 123u * 71u);
    const float lon = (map->desc.left + map->desc.right) / 2;
    const float lat = (map->desc.top + map->desc.bottom) / 2;
    platform::OffscreenDC dc(1920, 1080, kUntouched);
    map->draw(dc.hdc(), lon, lat, RECT{0, 0, 1920, 1080}, 1.0f);
    std::map<std::uint32_t, IImage*> first;
    for (std::uint32_t t : map->tileCache().tiles()) {
        first[t] = map->tileCache().find(t)->image;
    }
    EXPECT_GT(first.size(), TileCache::kMaxEntries);
    map->draw(dc.hdc(), lon, lat, RECT{0, 0, 1920, 1080}, 1.0f);
    for (std::uint32_t t : map->tileCache().tiles()) {
        ASSERT_TRUE(first.count(t)) << "tile " << t << " was not there before";
        EXPECT_EQ(map->tileCache().find(t)->image, first[t]) << "tile " << t << " decoded again";
    }
    EXPECT_EQ(map->tileCache().size(), first.size());
}

// A pan by one key (30 screen pixels) decodes only the cells it brings into
// view: the rest of the view stays in the cache.
TEST_F(TileLayoutPixels, APanAtADesktopSizeDecodesOnlyTheNewStrip) {
    float lon = map->desc.left + 1100 * map->desc.xscale;
    const float lat = map->desc.top + 1000 * map->desc.yscale;
    platform::OffscreenDC dc(1920, 1080, kUntouched);
    map->draw(dc.hdc(), lon, lat, RECT{0, 0, 1920, 1080}, 1.0f);
    std::map<std::uint32_t, IImage*> before;
    for (std::uint32_t t : map->tileCache().tiles()) {
        before[t] = map->tileCache().find(t)->image;
    }
    for (int step = 0; step < 9; ++step) { // until a new column comes into view
        lon += 30 * map->desc.xscale;
        map->draw(dc.hdc(), lon, lat, RECT{0, 0, 1920, 1080}, 1.0f);
    }
    int kept = 0, decoded = 0;
    for (std::uint32_t t : map->tileCache().tiles()) {
        const bool same = before.count(t) != 0 && before[t] == map->tileCache().find(t)->image;
        kept += same;
        decoded += !same;
    }
    EXPECT_EQ(kept, int(before.size())) << "every tile of the first view is still cached";
    EXPECT_GE(decoded, 1) << "the new strip came into view";
    EXPECT_LE(decoded, 6) << "one column of cells at most";
}

TEST_F(TileLayoutPixels, ATileOfAnotherSizeIsStretchedToItsCell) {
    TempDir other;
    WriteMap(other.file("map"), DescriptionText({256, 256, 0, 1, 1, 0}),
             {SolidTile(RGB(200, 10, 10), 64)});
    MapPackage small(Wide(other.file("map")).c_str());
    ASSERT_TRUE(small.isOpen());
    platform::OffscreenDC dc(256, 256, kUntouched);
    small.draw(dc.hdc(), 0.5f, 0.5f, RECT{0, 0, 256, 256}, 1.0f);
    EXPECT_EQ(dc.pixel(0, 0), RGB(200, 10, 10));
    EXPECT_EQ(dc.pixel(255, 255), RGB(200, 10, 10));
}

} // namespace
