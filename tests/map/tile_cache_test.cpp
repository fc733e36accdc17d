#include "map_fixture.h"
#include "platform_testing.h"

#include "map/map_package.h"

#include "platform/system/kernel.h"
#include "platform/telephony/com.h"

#include <gtest/gtest.h>

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

} // namespace
