// mapcut where the input or the output folder is not the user's own doing:
// links planted beside the output, VRTs that read other files or hang on a
// FIFO, calibrations that place a sheet beyond the earth, a rename that
// fails half-way, and a cut stopped half-way.
#include "child_process.h"
#include "map_fixture.h"
#include "test_rasters.h"

#include "map/map_package.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace testsupport;
using namespace std::chrono_literals;

const std::string kBin = TARVO_BINARY_DIR;
const COLORREF kGround = RGB(150, 170, 120);

CommandResult Mapcut(const std::string& arguments, const std::string& environment = "") {
    // A FIFO the cut would wait on forever ends the command, not the test.
    return RunCommand(environment + " timeout 30 " + kBin + "/mapcut " + arguments);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The names in a folder that begin with a dot: temporary files left behind.
std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string()[0] == '.') {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

std::string RawBandVrt(const std::string& file, bool relative) {
    return "<VRTDataset rasterXSize=\"256\" rasterYSize=\"16\">\n"
           " <GeoTransform>30, 0.001, 0, 50, 0, -0.001</GeoTransform>\n"
           " <VRTRasterBand dataType=\"Byte\" band=\"1\" subClass=\"VRTRawRasterBand\">\n"
           "  <SourceFilename relativeToVRT=\"" +
           std::string(relative ? "1" : "0") + "\">" + file +
           "</SourceFilename>\n"
           "  <ImageOffset>0</ImageOffset><PixelOffset>1</PixelOffset>"
           "<LineOffset>256</LineOffset>\n"
           " </VRTRasterBand>\n</VRTDataset>\n";
}

std::string SourceVrt(const std::string& file) {
    return "<VRTDataset rasterXSize=\"512\" rasterYSize=\"512\">\n"
           " <GeoTransform>30, 0.001, 0, 50, 0, -0.001</GeoTransform>\n"
           " <VRTRasterBand dataType=\"Byte\" band=\"1\">\n"
           "  <SimpleSource><SourceFilename relativeToVRT=\"1\">" +
           file +
           "</SourceFilename><SourceBand>1</SourceBand></SimpleSource>\n"
           " </VRTRasterBand>\n</VRTDataset>\n";
}

TEST(MapcutHostile, LinksPlantedBesideTheOutputAreNeverFollowed) {
    TempDir dir;
    WriteRaster(dir.file("in.png"), "PNG", TestRaster(512, 512, kGround));
    for (const char* name : {"victim1", "victim2"}) {
        WriteFile(dir.file(name), "the user's own file");
    }
    // The names a cut writes under, and the package's own names.
    std::filesystem::create_symlink(dir.file("victim1"), dir.file("out.dt1.tmp"));
    std::filesystem::create_symlink(dir.file("victim2"), dir.file("out.dt2.tmp"));
    std::filesystem::create_symlink(dir.file("victim1"), dir.file("out.dt1"));
    std::filesystem::create_symlink(dir.file("victim2"), dir.file("out.dt2"));
    const CommandResult cut =
        Mapcut("--bounds 30 50 31 49 " + dir.file("in.png") + " " + dir.file("out"));
    ASSERT_EQ(cut.status, 0) << cut.output;
    EXPECT_EQ(ReadFile(dir.file("victim1")), "the user's own file");
    EXPECT_EQ(ReadFile(dir.file("victim2")), "the user's own file");
    EXPECT_TRUE(IsRegularFile(dir.file("out.dt1"))) << "the link is replaced, not followed";
    EXPECT_TRUE(IsRegularFile(dir.file("out.dt2")));
    EXPECT_EQ(RunCommand(kBin + "/mapinfo " + dir.file("out")).status, 0);
    EXPECT_TRUE(HiddenFiles(dir.path()).empty());
}

// A map from the web is a folder of files; a VRT in it may read only the
// files beside it, and never a file byte for byte, unless the user says so.
TEST(MapcutHostile, AVrtReadsOnlyFilesBesideItUnlessAllowed) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("web"));
    WriteFile(dir.file("secret"), std::string(4096, 's'));
    WriteRaster(dir.file("web/sheet.tif"), "GTiff", TestRaster(512, 512, kGround));
    WriteRaster(dir.file("outside.tif"), "GTiff", TestRaster(512, 512, kGround));
    const std::string out = " " + dir.file("out");
    struct Case {
        const char* name;
        std::string vrt;
        const char* said;
    };
    const Case refused[] = {
        {"raw.vrt", RawBandVrt("../secret", true), "byte for byte"},
        {"environ.vrt", RawBandVrt("/proc/self/environ", false), "byte for byte"},
        {"outside.vrt", SourceVrt("../outside.tif"), "outside the folder"},
        {"net.vrt", SourceVrt("/vsicurl/http://127.0.0.1:9/x.tif"), "which is no local file"},
        {"nested.vrt", SourceVrt("outside.vrt"), "outside the folder"},
    };
    for (const Case& c : refused) {
        WriteFile(dir.file(std::string("web/") + c.name), c.vrt);
    }
    for (const Case& c : refused) {
        const CommandResult cut = Mapcut(dir.file(std::string("web/") + c.name) + out);
        EXPECT_EQ(cut.status, 1) << c.name << ": " << cut.output;
        EXPECT_NE(cut.output.find(c.said), std::string::npos) << c.name << ": " << cut.output;
        EXPECT_NE(cut.output.find("--allow-local-references"), std::string::npos) << cut.output;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.dt2")));
    }
    WriteFile(dir.file("web/inside.vrt"), SourceVrt("sheet.tif"));
    EXPECT_EQ(Mapcut(dir.file("web/inside.vrt") + out).status, 0) << "a file beside it is fine";
    const CommandResult allowed =
        Mapcut("--allow-local-references " + dir.file("web/raw.vrt") + out);
    EXPECT_EQ(allowed.status, 0) << allowed.output;
}

// A FIFO where GDAL would read would keep the cut waiting for ever; it is
// refused at once, whatever the user allows.
TEST(MapcutHostile, AFifoAnInputWouldReadIsRefusedAtOnce) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    WriteFile(dir.file("raw.vrt"), RawBandVrt("pipe", true));
    const auto start = std::chrono::steady_clock::now();
    const CommandResult raw =
        Mapcut("--allow-local-references " + dir.file("raw.vrt") + " " + dir.file("out"));
    EXPECT_EQ(raw.status, 1) << raw.output;
    EXPECT_NE(raw.output.find("refers to pipe, which is not a regular file"), std::string::npos)
        << raw.output;

    WriteRaster(dir.file("in.png"), "PNG", TestRaster(256, 256, kGround));
    ASSERT_EQ(mkfifo(dir.file("in.png.aux.xml").c_str(), 0600), 0);
    const CommandResult aux =
        Mapcut("--bounds 30 50 31 49 " + dir.file("in.png") + " " + dir.file("out"));
    EXPECT_EQ(aux.status, 1) << aux.output;
    EXPECT_NE(aux.output.find("in.png.aux.xml: not a regular file"), std::string::npos)
        << aux.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(MapcutHostile, ImagesPlacedBeyondTheEarthAreRefused) {
    TempDir dir;
    WriteRaster(dir.file("in.png"), "PNG", TestRaster(300, 300, kGround));
    const CommandResult cut =
        Mapcut("--bounds -181.4 10 329.7 -165.6 " + dir.file("in.png") + " " + dir.file("out"));
    EXPECT_EQ(cut.status, 1) << cut.output;
    EXPECT_NE(cut.output.find("from longitude -181.4 to 329.7 and latitude -165.6 to 10, beyond "
                              "-180..180 and -90..90"),
              std::string::npos)
        << cut.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.dt1")));

    // A sheet up to the antimeridian and the south pole: the whole tiles'
    // padding goes west and north instead of beyond them.
    ASSERT_EQ(
        Mapcut("--bounds 177 -87 180 -90 " + dir.file("in.png") + " " + dir.file("edge")).status,
        0);
    MapPackage edge(Wide(dir.file("edge")).c_str());
    ASSERT_TRUE(edge.isOpen());
    EXPECT_EQ(edge.desc.width, 512u);
    EXPECT_LE(edge.desc.right, 180.0f);
    EXPECT_GE(edge.desc.bottom, -90.0f);
    EXPECT_NEAR(edge.desc.right, 180.0f, 1e-4);
    EXPECT_NEAR(edge.desc.bottom, -90.0f, 1e-4);
}

// The new tile file is in place when the description's rename fails: the
// old tile file comes back, so the old pair stays whole.
TEST(MapcutHostile, ARenameThatFailsKeepsTheOldPackageWhole) {
    TempDir dir;
    WriteRaster(dir.file("small.png"), "PNG", TestRaster(512, 512, kGround));
    WriteRaster(dir.file("large.png"), "PNG", TestRaster(1024, 768, RGB(20, 40, 200)));
    ASSERT_EQ(
        Mapcut("--bounds 30 50 31 49 " + dir.file("small.png") + " " + dir.file("out")).status, 0);
    const std::string dt1 = ReadFile(dir.file("out.dt1")), dt2 = ReadFile(dir.file("out.dt2"));
    for (const char* failing : {".dt1", ".dt2"}) {
        const CommandResult cut =
            Mapcut("--bounds 30 50 31 49 " + dir.file("large.png") + " " + dir.file("out"),
                   std::string("LD_PRELOAD=") + FAIL_RENAME_LIBRARY +
                       " FAIL_RENAME_ONTO=" + failing + " ASAN_OPTIONS=verify_asan_link_order=0");
        EXPECT_EQ(cut.status, 1) << cut.output;
        EXPECT_NE(cut.output.find(dir.file("out") + failing +
                                  ": cannot rename into place (Input/output error)"),
                  std::string::npos)
            << cut.output;
        EXPECT_EQ(ReadFile(dir.file("out.dt1")), dt1) << failing;
        EXPECT_EQ(ReadFile(dir.file("out.dt2")), dt2) << failing;
        EXPECT_TRUE(HiddenFiles(dir.path()).empty());
    }
    EXPECT_EQ(RunCommand(kBin + "/mapinfo " + dir.file("out")).status, 0);
}

// A VRT of a few hundred bytes can declare a job of days: the cut says so
// before it starts, and Ctrl-C or SIGTERM removes what it wrote.
TEST(MapcutHostile, AHugeJobIsAnnouncedAndAStoppedCutRemovesWhatItWrote) {
    TempDir dir;
    WriteFile(dir.file("huge.vrt"), "<VRTDataset rasterXSize=\"1000000\" rasterYSize=\"1000000\">"
                                    "<GeoTransform>0, 0.00001, 0, 10, 0, -0.00001</GeoTransform>"
                                    "<VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>");
    WriteRaster(dir.file("in.png"), "PNG", TestRaster(256, 256, kGround));
    ASSERT_EQ(Mapcut("--bounds 30 50 31 49 " + dir.file("in.png") + " " + dir.file("out")).status,
              0);
    const std::string dt2 = ReadFile(dir.file("out.dt2"));
    for (int signal : {SIGINT, SIGTERM}) {
        ChildProcess cut({kBin + "/mapcut", dir.file("huge.vrt"), dir.file("out")}, {},
                         dir.file("cut.log"));
        for (int i = 0; i < 500 && HiddenFiles(dir.path()).size() < 2; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(200ms); // well into the tiles
        ASSERT_EQ(HiddenFiles(dir.path()).size(), 2u) << ReadFile(dir.file("cut.log"));
        EXPECT_NE(ReadFile(dir.file("cut.log")).find("a large job: 15264649 tiles, about "),
                  std::string::npos)
            << ReadFile(dir.file("cut.log"));
        kill(cut.pid(), signal);
        EXPECT_EQ(cut.wait(10s), 128 + signal);
        EXPECT_TRUE(HiddenFiles(dir.path()).empty()) << "signal " << signal;
        EXPECT_EQ(ReadFile(dir.file("out.dt2")), dt2);
    }
}

} // namespace
