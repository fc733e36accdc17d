// mapinfo and mapcut as a user runs them: exit status and messages.
#include "map_fixture.h"

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

using namespace testsupport;

struct ToolRun {
    int status;
    std::string output; // standard output and standard error together
};

ToolRun RunTool(const std::string& command) {
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    ToolRun run{-1, {}};
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, got);
    }
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string kBin = TARVO_BINARY_DIR;

TEST(Mapinfo, PrintsTheMapAndVerifiesEveryTile) {
    TempDir dir;
    WriteNumberedMap(dir.file("map"), {768, 512, 30, 50, 30.75, 49.5});
    ToolRun run = RunTool(kBin + "/mapinfo " + dir.file("map"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("xtiles  3\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("tiles   6 (0 empty)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("all 6 non-empty tiles decode"), std::string::npos) << run.output;
}

TEST(Mapinfo, FailsWithTheReasonOnAnyFault) {
    TempDir dir;
    ToolRun missing = RunTool(kBin + "/mapinfo " + dir.file("map"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "mapinfo: map.dt1: cannot open (No such file or directory)\n");

    std::vector<std::string> tiles = {SolidTile(TileColour(1)), SolidTile(TileColour(2))};
    tiles[1].resize(tiles[1].size() - 20);
    WriteMap(dir.file("area"), DescriptionText({512, 256, 0, 1, 2, 0}), tiles);
    ToolRun damaged = RunTool(kBin + "/mapinfo " + dir.file("area"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.output.find("mapinfo: area.dt2: tile 2 ("), std::string::npos)
        << damaged.output;
    EXPECT_NE(damaged.output.find("does not decode"), std::string::npos);

    EXPECT_EQ(RunTool(kBin + "/mapinfo").status, 2);
}

TEST(Mapinfo, NamesATileTooLargeToBeOne) {
    TempDir dir;
    WriteMap(dir.file("map"), DescriptionText({512, 256, 0, 1, 2, 0}),
             {SolidTile(TileColour(1)), SolidTile(RGB(9, 9, 9), 2048, true)});
    ToolRun run = RunTool(kBin + "/mapinfo " + dir.file("map"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("mapinfo: map.dt2: tile 2 is 2048 x 2048 pixels, more than the "
                              "1024 x 1024 a tile may have\n"),
              std::string::npos)
        << run.output;
}

// A table too large for memory is a refusal with its reason, never an abort.
TEST(Mapinfo, ATableThatDoesNotFitInMemoryIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#endif
    TempDir dir;
    WriteNumberedMap(dir.file("small"), {512, 256, 30, 50, 31, 49.5});
    // 2^24 empty tiles: the largest table a map may have, 64 MiB.
    WriteMap(dir.file("huge"), DescriptionText({4096 * 256, 4096 * 256, 0, 1, 1, 0}), {});
    const std::uint32_t count = 1u << 24;
    WriteFile(dir.file("huge.dt2"), std::string(reinterpret_cast<const char*>(&count), 4));
    std::filesystem::resize_file(dir.file("huge.dt2"), 4 + 4 * (std::uint64_t(count) + 1));
    // The least address space in which the small map opens, then 32 MiB more.
    int limitMiB = 0;
    for (int mib = 48; mib <= 512 && limitMiB == 0; mib += 16) {
        const std::string limited = "prlimit --as=" + std::to_string(mib * 1048576LL) + " ";
        if (RunTool(limited + kBin + "/mapinfo " + dir.file("small")).status == 0) {
            limitMiB = mib + 32;
        }
    }
    ASSERT_NE(limitMiB, 0) << "mapinfo does not start in 512 MiB";
    ToolRun run = RunTool("prlimit --as=" + std::to_string(limitMiB * 1048576LL) + " " + kBin +
                          "/mapinfo " + dir.file("huge"));
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output,
              "mapinfo: huge.dt2: the offset table (67108868 bytes) does not fit in memory\n");
}

TEST(MapcutCommand, CutsWithAWorldFileAndExplainsWhatIsMissing) {
    TempDir dir;
    QImage image(512, 300, QImage::Format_RGB32);
    image.fill(qRgb(20, 120, 220));
    ASSERT_TRUE(image.save(QString::fromStdString(dir.file("area.png")), "PNG"));

    ToolRun noBounds = RunTool(kBin + "/mapcut " + dir.file("area.png") + " " + dir.file("m"));
    EXPECT_EQ(noBounds.status, 1);
    EXPECT_NE(noBounds.output.find("has no georeference"), std::string::npos) << noBounds.output;

    WriteFile(dir.file("area.pgw"), "0.01\n0\n0\n-0.01\n30.005\n50.995\n");
    ToolRun cut =
        RunTool(kBin + "/mapcut --format jpeg " + dir.file("area.png") + " " + dir.file("m"));
    EXPECT_EQ(cut.status, 0) << cut.output;
    EXPECT_EQ(cut.output.find('\r'), std::string::npos)
        << "no progress bar when standard error is not a terminal";
    EXPECT_NE(cut.output.find("taken as WGS 84"), std::string::npos)
        << "a world file without .prj is assumed to be in degrees, and says so";
    ToolRun info = RunTool(kBin + "/mapinfo " + dir.file("m"));
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("left    30\ntop     51\nright   35.1199989"), std::string::npos)
        << info.output;

    ToolRun bad =
        RunTool(kBin + "/mapcut --format gif " + dir.file("area.png") + " " + dir.file("m"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("--format: not auto, jpeg, png or png8: gif"), std::string::npos);
}

} // namespace
