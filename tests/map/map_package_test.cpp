#include "map_fixture.h"
#include "package_writer.h"
#include "platform_testing.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/system/kernel.h"
#include "platform/telephony/com.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace testsupport;

const MapShape kThreeByTwo{768, 512, 30.0, 50.0, 30.75, 49.5};

std::string Word(std::uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A tile file from its raw words, padded with zeros to `size` bytes.
std::string RawTileFile(std::uint32_t count, std::vector<std::int32_t> offsets,
                        std::size_t size = 0) {
    std::string bytes = Word(count);
    for (std::int32_t o : offsets) {
        bytes += Word(std::uint32_t(o));
    }
    if (bytes.size() < size) {
        bytes.resize(size, '\0');
    }
    return bytes;
}

void WriteArchive(const std::string& path, const std::vector<mapcut::ZipMember>& members) {
    std::string error;
    ASSERT_TRUE(mapcut::WriteZipArchive(path, members, &error)) << error;
}

// Sets a bit of the general-purpose flags in the local and the central
// header of the archive's first member.
void SetZipFlag(const std::string& path, std::uint8_t bit) {
    std::string zip = ReadFile(path);
    zip[6] = char(zip[6] | bit);
    std::size_t central = zip.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    zip[central + 8] = char(zip[central + 8] | bit);
    WriteFile(path, zip);
}

class MapPackageTest : public ::testing::Test {
protected:
    std::string prefix() const { return dir.file("map"); }
    std::unique_ptr<MapPackage> open() {
        return std::make_unique<MapPackage>(Wide(prefix()).c_str());
    }
    std::string refusal() {
        auto map = open();
        EXPECT_FALSE(map->isOpen());
        EXPECT_EQ(map->tileCount(), 0u) << "a refused package keeps nothing it read";
        EXPECT_EQ(map->desc.width, 0u);
        return map->errorText();
    }

    TempDir dir;
};

TEST_F(MapPackageTest, OpensAMapAndReadsItsDescriptionAndTable) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    auto map = open();
    ASSERT_TRUE(map->isOpen()) << map->errorText();
    EXPECT_EQ(map->errorText(), "");
    EXPECT_EQ(map->desc.width, 768u);
    EXPECT_EQ(map->desc.xtiles, 3u);
    EXPECT_EQ(map->desc.ytiles, 2u);
    EXPECT_EQ(map->desc.xscale, 0.75f / 768);
    EXPECT_EQ(map->tileCount(), 6u);
    for (std::uint32_t n = 1; n <= 6; ++n) {
        EXPECT_NE(map->getTileImage(n), nullptr) << "tile " << n;
    }
    EXPECT_EQ(map->getTileImage(0), nullptr);
    EXPECT_EQ(map->getTileImage(7), nullptr);
}

TEST_F(MapPackageTest, FindsTheDescriptionAtTheRootWhateverItsCase) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    WriteArchive(prefix() + ".dt1", {{"readme.txt", "not a description"},
                                     {"DESC.TXT", DescriptionText(kThreeByTwo), false}});
    EXPECT_TRUE(open()->isOpen());

    WriteArchive(prefix() + ".dt1", {{"maps/desc.txt", DescriptionText(kThreeByTwo)}});
    EXPECT_EQ(refusal(), "map.dt1: desc.txt not found");
}

TEST_F(MapPackageTest, AMapNarrowerThanATileHasNoTiles) {
    WriteMap(prefix(), DescriptionText({200, 100, 0, 1, 1, 0}), {});
    auto map = open();
    ASSERT_TRUE(map->isOpen()) << map->errorText();
    EXPECT_EQ(map->desc.xtiles, 0u);
    EXPECT_EQ(map->tileCount(), 0u);
}

TEST_F(MapPackageTest, RefusesDamagedArchivesWithAReasonNamingTheFile) {
    const std::string dt1 = prefix() + ".dt1";
    struct Case {
        const char* name;
        std::function<void()> damage;
        std::string reason;
    };
    const Case cases[] = {
        {"missing", [&] { std::remove(dt1.c_str()); },
         "map.dt1: cannot open (No such file or directory)"},
        {"not a zip", [&] { WriteFile(dt1, "width\n768\n"); }, "map.dt1: not a zip archive"},
        {"no description",
         [&] {
             WriteArchive(dt1, {{"other.txt", "x"}});
         },
         "map.dt1: desc.txt not found"},
        {"encrypted",
         [&] {
             WriteArchive(dt1, {{"desc.txt", DescriptionText(kThreeByTwo)}});
             SetZipFlag(dt1, 1);
         },
         "map.dt1: desc.txt is encrypted"},
        {"oversized",
         [&] {
             WriteArchive(dt1, {{"desc.txt", std::string(70000, '1')}});
         },
         "map.dt1: desc.txt is 70000 bytes, more than a description can be"},
        {"corrupt",
         [&] {
             WriteArchive(dt1, {{"desc.txt", DescriptionText(kThreeByTwo), false}});
             std::string zip = ReadFile(dt1);
             zip[zip.find("768")] = '9';
             WriteFile(dt1, zip);
         },
         "map.dt1: desc.txt is damaged (it does not inflate to its recorded size and "
         "checksum)"},
        {"empty description",
         [&] {
             WriteArchive(dt1, {{"desc.txt", ""}});
         },
         "map.dt1: desc.txt gives a width of 0"},
        {"flat map",
         [&] {
             WriteArchive(dt1, {{"desc.txt", DescriptionText({768, 512, 30, 50, 30, 49})}});
         },
         "map.dt1: desc.txt gives the same longitude for the left and right edges"},
    };
    for (const Case& c : cases) {
        WriteNumberedMap(prefix(), kThreeByTwo);
        c.damage();
        EXPECT_EQ(refusal(), c.reason) << c.name;
    }
}

TEST_F(MapPackageTest, RefusesDamagedTileFilesWithAReasonNamingTheFile) {
    const std::string dt2 = prefix() + ".dt2";
    struct Case {
        const char* name;
        std::string bytes; // empty: no file at all
        std::string reason;
    };
    const Case cases[] = {
        {"missing", "", "map.dt2: cannot open (No such file or directory)"},
        {"short", std::string("\x06\x00", 2), "map.dt2: no tile count (the file is 2 bytes long)"},
        {"count mismatch", RawTileFile(5, {28, 28, 28, 28, 28, 28}),
         "map.dt2: 5 tiles, but desc.txt describes 3 x 2"},
        {"table past the end", RawTileFile(6, {0, 0}, 16),
         "map.dt2: offset table ends at byte 32 of 16"},
        {"negative start", RawTileFile(6, {-4, 0, 0, 0, 0, 0, 0}),
         "map.dt2: tile 1 starts at a negative offset (-4)"},
        {"decreasing", RawTileFile(6, {32, 40, 36, 40, 40, 40, 40}, 64),
         "map.dt2: tile 2 ends before it starts"},
        {"past the end", RawTileFile(6, {32, 32, 32, 9999, 9999, 9999, 9999}),
         "map.dt2: tile 3 ends at byte 9999, past the end of the file (32 bytes)"},
    };
    for (const Case& c : cases) {
        WriteNumberedMap(prefix(), kThreeByTwo);
        if (c.bytes.empty()) {
            std::remove(dt2.c_str());
        } else {
            WriteFile(dt2, c.bytes);
        }
        EXPECT_EQ(refusal(), c.reason) << c.name;
    }
}

// A FIFO or a folder in place of a map file is refused at once: opening a
// FIFO for reading would wait for a writer forever.
TEST_F(MapPackageTest, MapFilesThatAreNoRegularFilesAreRefusedWithoutWaiting) {
    for (const char* file : {".dt1", ".dt2"}) {
        WriteNumberedMap(prefix(), kThreeByTwo);
        const std::string path = prefix() + file;
        std::remove(path.c_str());
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        EXPECT_EQ(refusal(), std::string("map") + file + ": not a regular file");
        std::remove(path.c_str());
        std::filesystem::create_directory(path);
        EXPECT_EQ(refusal(), std::string("map") + file + ": not a regular file");
        std::filesystem::remove(path);
    }
}

// A count that claims four billion tiles, in a file as large as that table
// (but hollow), with a description that agrees: refused before any of it is
// read or allocated.
TEST_F(MapPackageTest, ACountBeyondWhatAMapCanHaveIsRefusedUpFront) {
    WriteMap(prefix(), DescriptionText({65535u * 256, 65537u * 256, 0, 1, 1, 0}), {});
    WriteFile(prefix() + ".dt2", Word(0xFFFFFFFFu));
    std::filesystem::resize_file(prefix() + ".dt2", 17ull << 30);
    EXPECT_EQ(refusal(), "map.dt2: 4294967295 tiles, more than the 16777216 a map can have");
    WriteFile(prefix() + ".dt2", Word((1u << 24) + 1));
    EXPECT_EQ(refusal(), "map.dt2: 16777217 tiles, more than the 16777216 a map can have");
}

// A tile larger than a tile can be is drawn as a cell without a tile, and
// not decoded again on the next paint.
TEST_F(MapPackageTest, AnOversizedTileIsAMissingCell) {
    WriteMap(prefix(), DescriptionText({512, 256, 0, 1, 2, 0}),
             {SolidTile(TileColour(1)), SolidTile(RGB(9, 9, 9), 2048, true)});
    auto map = open();
    ASSERT_TRUE(map->isOpen());
    EXPECT_NE(map->getTileImage(1), nullptr);
    EXPECT_EQ(map->getTileImage(2), nullptr);
    EXPECT_EQ(map->tileCache().size(), 2u) << "remembered as undecodable";
    platform::OffscreenDC dc(512, 256, RGB(0, 0, 0));
    map->draw(dc.hdc(), 1.0f, 0.5f, RECT{0, 0, 512, 256}, 1.0f);
    EXPECT_EQ(dc.pixel(100, 100), TileColour(1));
    EXPECT_EQ(dc.pixel(400, 100), RGB(255, 255, 255)) << "the window colour";
}

TEST_F(MapPackageTest, ACountMismatchWritesTheAssertionToTheDebugOutput) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    WriteFile(prefix() + ".dt2", RawTileFile(5, {28, 28, 28, 28, 28, 28}));
    platform::testing::DebugOutputCapture capture;
    open();
    const std::u16string expected = u"\r\n*** ASSERTION FAILED in .\\tarvo(81):\r\n"
                                    u"d==desc.xtiles*desc.ytiles\r\n";
    EXPECT_EQ(capture.text(), expected);
    // A literal backslash and 't', not a tab.
    EXPECT_NE(capture.text().find(u".\\tarvo"), std::u16string::npos);
    EXPECT_EQ(capture.text().find(u'\t'), std::u16string::npos);
}

TEST_F(MapPackageTest, TileDataMayLieAnywhereInTheFile) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    // Every tile is the file's own first eight bytes: legal, but no image.
    WriteFile(prefix() + ".dt2", RawTileFile(6, {0, 8, 8, 8, 8, 8, 8}));
    auto map = open();
    ASSERT_TRUE(map->isOpen()) << map->errorText();
    EXPECT_EQ(map->tileLength(1), 8);
    EXPECT_EQ(map->getTileImage(1), nullptr);
    EXPECT_EQ(map->tileLength(2), 0);
}

TEST_F(MapPackageTest, RefusesWhenTheDecoderCannotBeCreated) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    platform::testing::SetBuiltinClassAvailable(CLSID_ImagingFactory, false);
    std::string reason = refusal();
    platform::testing::SetBuiltinClassAvailable(CLSID_ImagingFactory, true);
    EXPECT_EQ(reason, "imaging: the tile decoder cannot be created (0x80040154)");
    EXPECT_TRUE(open()->isOpen());
}

TEST_F(MapPackageTest, RefusesAPathTooLongForTheMapNames) {
    std::u16string prefix(252, u'a');
    MapPackage map(prefix.c_str());
    EXPECT_FALSE(map.isOpen());
    EXPECT_EQ(map.errorText(),
              std::string(252, 'a') + ".dt1: the path is longer than 255 characters");
}

TEST_F(MapPackageTest, ClosingFreesEveryTileBuffer) {
    WriteNumberedMap(prefix(), kThreeByTwo);
    std::string dt2 = ReadFile(prefix() + ".dt2");
    std::memset(&dt2[dt2.size() - 50], 0x55, 50); // tile 6 no longer decodes
    WriteFile(prefix() + ".dt2", dt2);
    const long before = platform::testing::OutstandingTaskMemBlocks();
    {
        auto map = open();
        ASSERT_TRUE(map->isOpen());
        for (std::uint32_t n = 1; n <= 6; ++n) {
            EXPECT_EQ(map->getTileImage(n) == nullptr, n == 6) << "tile " << n;
        }
    }
    EXPECT_EQ(platform::testing::OutstandingTaskMemBlocks(), before);
}

} // namespace
