#include "map_fixture.h"
#include "platform_testing.h"

#include "map/map_package.h"
#include "map/tile_layout.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/system/kernel.h"
#include "platform/telephony/com.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using namespace testsupport;

DWORD fakeNow = 0;
DWORD FakeTicks() {
    return fakeNow;
}

// A 6 x 4 map: 24 tiles, more than the cache holds.
const MapShape kSixByFour{1536, 1024, 0.0, 4.0, 6.0, 0.0};

class TileCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = platform::testing::SetTickSource(FakeTicks);
        WriteNumberedMap(dir.file("map"), kSixByFour);
        map = std::make_unique<MapPackage>(Wide(dir.file("map")).c_str());
        ASSERT_TRUE(map->isOpen()) << map->errorText();
    }
    void TearDown() override { platform::testing::SetTickSource(previous_); }

    // Decodes tiles first..last, one per tick starting at `tick`.
    void decode(std::uint32_t first, std::uint32_t last, DWORD tick, DWORD step = 1) {
        for (std::uint32_t n = first; n <= last; ++n, tick += step) {
            fakeNow = tick;
            ASSERT_NE(map->getTileImage(n), nullptr) << "tile " << n;
        }
    }
    bool cached(std::uint32_t n) const { return map->tileCache().find(n) != nullptr; }
    DWORD decodedAt(std::uint32_t n) const { return map->tileCache().find(n)->time; }

    TempDir dir;
    std::unique_ptr<MapPackage> map;

private:
    platform::testing::TickSource previous_ = nullptr;
};

TEST_F(TileCacheTest, ATileIsDecodedOnceWhileItStaysCached) {
    decode(1, 1, 100);
    IImage* first = map->getTileImage(1);
    fakeNow = 5000;
    EXPECT_EQ(map->getTileImage(1), first) << "a hit returns the cached image";
    EXPECT_EQ(decodedAt(1), 100u) << "a hit does not refresh the entry";
    EXPECT_EQ(map->tileCache().size(), 1u);
}

TEST_F(TileCacheTest, TheOldestDecodeIsEvictedEvenIfDrawnOnEveryPaint) {
    decode(1, 21, 100);
    EXPECT_EQ(map->tileCache().size(), 21u);
    fakeNow = 500;
    map->getTileImage(1); // drawn again: still the oldest decode
    decode(22, 22, 500);
    EXPECT_EQ(map->tileCache().size(), 21u);
    EXPECT_FALSE(cached(1)) << "tile 1 was decoded longest ago";
    EXPECT_TRUE(cached(2));

    decode(1, 1, 600);
    EXPECT_FALSE(cached(2)) << "the next oldest goes next";
    EXPECT_EQ(decodedAt(1), 600u) << "a re-decoded tile gets a fresh time";
}

TEST_F(TileCacheTest, AmongEqualAgesTheHighestTileNumberGoesFirst) {
    decode(1, 21, 7, 0); // all within one tick
    decode(22, 22, 50);
    EXPECT_FALSE(cached(21));
    EXPECT_TRUE(cached(20));
    decode(23, 23, 60);
    EXPECT_FALSE(cached(20));
    EXPECT_TRUE(cached(19));
    EXPECT_TRUE(cached(1));
}

TEST_F(TileCacheTest, AgesStayRightAcrossTheWrapOfTheTickCount) {
    decode(1, 10, 0xFFFFFFF0u, 0); // just before the wrap
    decode(11, 21, 0x10u, 0);      // just after it
    decode(22, 22, 0x20u);
    EXPECT_FALSE(cached(10)) << "decoded before the wrap, so older";
    EXPECT_TRUE(cached(21));
    EXPECT_TRUE(cached(11));
}

TEST_F(TileCacheTest, ADamagedTileIsCachedWithoutImageAndNotReadAgain) {
    TempDir other;
    std::vector<std::string> tiles = {SolidTile(TileColour(1)), "not an image at all"};
    WriteMap(other.file("map"), DescriptionText({512, 256, 0, 1, 2, 0}), tiles);
    const long blocks = platform::testing::OutstandingTaskMemBlocks();
    MapPackage broken(Wide(other.file("map")).c_str());
    ASSERT_TRUE(broken.isOpen()) << broken.errorText();
    fakeNow = 10;
    EXPECT_EQ(broken.getTileImage(2), nullptr);
    ASSERT_NE(broken.tileCache().find(2), nullptr);
    EXPECT_EQ(broken.tileCache().find(2)->image, nullptr);
    fakeNow = 20;
    EXPECT_EQ(broken.getTileImage(2), nullptr);
    EXPECT_EQ(broken.tileCache().find(2)->time, 10u) << "not read and decoded again";
    EXPECT_EQ(platform::testing::OutstandingTaskMemBlocks(), blocks)
        << "the buffer the decoder refused was freed";
}

TEST_F(TileCacheTest, EmptyTilesTakeNoPlaceInTheCache) {
    TempDir other;
    WriteMap(other.file("map"), DescriptionText({512, 256, 0, 1, 2, 0}),
             {SolidTile(TileColour(1)), ""});
    MapPackage sparse(Wide(other.file("map")).c_str());
    ASSERT_TRUE(sparse.isOpen()) << sparse.errorText();
    EXPECT_EQ(sparse.getTileImage(2), nullptr);
    EXPECT_EQ(sparse.tileCache().size(), 0u);
}

TEST_F(TileCacheTest, ClearingReleasesEveryImage) {
    decode(1, 3, 1);
    IImage* image = map->getTileImage(2);
    image->AddRef();
    EXPECT_EQ(image->Release(), 1u) << "the cache holds exactly one reference";
    map.reset(); // closing the package clears the cache; ASan sees any leak
}

// What the cache holds: each tile with its decode time and side.
std::map<std::uint32_t, std::pair<DWORD, std::uint32_t>> Contents(const MapPackage& map) {
    std::map<std::uint32_t, std::pair<DWORD, std::uint32_t>> all;
    for (std::uint32_t t : map.tileCache().tiles()) {
        all[t] = {map.tileCache().find(t)->time, map.tileCache().find(t)->side};
    }
    return all;
}

// A handset's paints decode their tiles on several threads, yet the cache
// holds and evicts exactly what it would if each cell were decoded where it
// is drawn, in the paint's order: here replayed one cell at a time.
TEST_F(TileCacheTest, AHandsetPaintFillsAndEvictsAsDecodingCellByCellWould) {
    MapPackage replay(Wide(dir.file("map")).c_str());
    ASSERT_TRUE(replay.isOpen());
    platform::OffscreenDC dc(240, 300, RGB(1, 2, 3));
    const RECT view{0, 0, 240, 300};
    const float views[][2] = {{0.5f, 3.5f}, {2.5f, 3.5f}, {4.5f, 2.5f}, {5.5f, 0.5f}, {1.5f, 1.0f},
                              {0.5f, 3.5f}, {3.0f, 2.0f}, {5.9f, 3.9f}, {0.2f, 0.2f}, {3.5f, 0.5f},
                              {5.2f, 2.2f}, {1.2f, 2.8f}, {2.2f, 0.9f}, {4.4f, 3.1f}};
    DWORD tick = 100;
    for (int i = 0; i < 2 * int(std::size(views)); ++i) { // the second time round, evicted
        const auto& v = views[i % std::size(views)];
        fakeNow = tick++;
        map->draw(dc.hdc(), v[0], v[1], view, 1.0f);
        const auto grid = ComputeTileGrid(map->desc, v[0], v[1], 240, 300, 1.0f);
        ASSERT_TRUE(grid.has_value());
        for (int y = grid->y0, row = grid->row0; y < 300; y += grid->tileSize, ++row) {
            for (int x = grid->x0, col = grid->col0; x < 240; x += grid->tileSize, ++col) {
                if (col >= 0 && row >= 0 && col < int(map->desc.xtiles) &&
                    row < int(map->desc.ytiles)) {
                    replay.getTileImage(TileNumber(map->desc, col, row));
                }
            }
        }
        ASSERT_EQ(Contents(*map), Contents(replay)) << "after the view at " << v[0] << "," << v[1];
        ASSERT_EQ(map->decodeCount(), replay.decodeCount());
    }
    EXPECT_EQ(map->tileCache().size(), TileCache::kMaxEntries);
    EXPECT_GT(map->decodeCount(), 24u) << "the views made the cache evict";
}

// A repaint of the view just drawn copies it: nothing is decoded, even when
// the cache has since let its tiles go, and the pixels are the same. A view
// one pixel away is drawn afresh.
TEST_F(TileCacheTest, ARepaintOfTheSameViewDecodesNothing) {
    platform::OffscreenDC first(240, 300, RGB(1, 2, 3)), again(240, 300, RGB(1, 2, 3));
    const RECT view{0, 0, 240, 300};
    map->draw(first.hdc(), 2.5f, 2.0f, view, 1.0f);
    decode(1, 24, 1000); // every tile of the view evicted and decoded again
    decode(1, 24, 2000);
    const std::uint64_t decodes = map->decodeCount();
    map->draw(again.hdc(), 2.5f, 2.0f, view, 1.0f);
    EXPECT_EQ(map->decodeCount(), decodes);
    for (int y = 0; y < 300; y += 7) {
        for (int x = 0; x < 240; x += 7) {
            ASSERT_EQ(again.pixel(x, y), first.pixel(x, y)) << x << "," << y;
        }
    }
    map->draw(again.hdc(), 2.5f + 0.25f, 2.0f, view, 1.0f); // 64 pixels east
    int changed = 0;
    for (int x = 0; x < 240; ++x) {
        if (x + 64 < 240) {
            ASSERT_EQ(again.pixel(x, 150), first.pixel(x + 64, 150)) << x;
        }
        changed += again.pixel(x, 150) != first.pixel(x, 150);
    }
    EXPECT_GT(changed, 0) << "a tile edge moved with the view";
}

} // namespace
