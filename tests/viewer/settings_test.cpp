#include "viewer_fixture.h"

#include "viewer/app_state.h"
#include "viewer/res/resource_ids.h"
#include "viewer/settings.h"
#include "viewer/view_state.h"

#include "platform/system/kernel.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

SettingsRecord Record(float lon, float lat, float gpsLon, float gpsLat, std::uint8_t inbox,
                      const std::u16string& number, int display, int input) {
    SettingsRecord r{};
    r.centreLongitude = lon;
    r.centreLatitude = lat;
    r.gpsLongitude = gpsLon;
    r.gpsLatitude = gpsLat;
    r.placeInInbox = inbox;
    std::memcpy(r.trackerNumber, number.c_str(), (number.size() + 1) * 2);
    r.displayFormat = display;
    r.inputFormat = input;
    return r;
}

std::string Bytes(const SettingsRecord& r) {
    const auto bytes = EncodeSettings(r);
    return std::string(bytes.begin(), bytes.end());
}

TEST(SettingsRecordLayout, IsTheFixedLittleEndianRecord) {
    const std::string bytes =
        Bytes(Record(30.61834f, 50.40301f, 30.61834f, 50.40301f, 1, u"+380", 2, 1));
    ASSERT_EQ(bytes.size(), 545u);
    EXPECT_EQ(bytes.substr(8, 4), std::string("\x5c\xf2\xf4\x41", 4)) << "30.61834 = 0x41F4F25C";
    EXPECT_EQ(bytes.substr(12, 4), std::string("\xaf\x9c\x49\x42", 4)) << "50.40301 = 0x42499CAF";
    EXPECT_EQ(bytes[16], 1);
    EXPECT_EQ(bytes.substr(17, 10), std::string("+\0"
                                                "3\0"
                                                "8\0"
                                                "0\0"
                                                "\0\0",
                                                10));
    EXPECT_EQ(bytes.substr(537, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(bytes.substr(541, 4), std::string("\x01\0\0\0", 4));
}

TEST(SettingsRecordLayout, AShortOrDamagedFileGivesOnlyWhatItHoldsSoundly) {
    const SettingsRecord defaults = Record(32, 49, 30.61834f, 50.40301f, 0, u"", 1, 0);
    const std::string full = Bytes(Record(1, 2, 3, 4, 1, u"12345", 3, 2));

    SettingsRecord r = defaults;
    DecodeSettings(reinterpret_cast<const std::uint8_t*>(full.data()), 16, &r);
    EXPECT_EQ(r.centreLongitude, 1.0f);
    EXPECT_EQ(r.gpsLatitude, 4.0f);
    EXPECT_EQ(r.placeInInbox, 0) << "16 bytes hold the positions only";
    EXPECT_EQ(r.trackerNumber[0], 0);
    EXPECT_EQ(r.displayFormat, 1);
    EXPECT_EQ(r.inputFormat, 0);

    r = defaults;
    DecodeSettings(reinterpret_cast<const std::uint8_t*>(full.data()), 539, &r);
    EXPECT_EQ(r.trackerNumber[4], u'5');
    EXPECT_EQ(r.displayFormat, 1) << "a format held in part keeps its value";

    std::string damaged = Bytes(Record(NAN, INFINITY, 2e6f, -45, 7, u"", 9, -1));
    std::memset(&damaged[17], 'x', 520); // a number without terminator
    r = defaults;
    DecodeSettings(reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size(), &r);
    EXPECT_EQ(r.centreLongitude, 32.0f);
    EXPECT_EQ(r.centreLatitude, 49.0f);
    EXPECT_EQ(r.gpsLongitude, 30.61834f);
    EXPECT_EQ(r.gpsLatitude, -45.0f);
    EXPECT_EQ(r.placeInInbox, 7) << "the inbox byte is kept as read";
    EXPECT_EQ(r.trackerNumber[258], u'x' | u'x' << 8);
    EXPECT_EQ(r.trackerNumber[259], 0) << "always terminated";
    EXPECT_EQ(r.displayFormat, 1);
    EXPECT_EQ(r.inputFormat, 0);
}

TEST_F(ViewerTest, ExitSavesEveryFieldAndTheNextStartRestoresThem) {
    ASSERT_TRUE(start());
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));
    key(VK_RIGHT);
    key('1');
    command(IDM_DISPLAY_DMS);
    command(IDM_INPUT_DMS);
    theView.gpsLongitude = 31.5f;
    theView.gpsLatitude = 48.5f;
    theApp.placeInInbox = 7; // any non-zero byte says yes
    std::memcpy(theApp.trackerNumber, u"+380501234567", 28);
    const ViewState saved = theView;
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(std::filesystem::file_size(settingsPath()), 545u);

    ASSERT_TRUE(start());
    EXPECT_EQ(theView.centreLongitude, saved.centreLongitude);
    EXPECT_EQ(theView.centreLatitude, saved.centreLatitude);
    EXPECT_EQ(theView.gpsLongitude, 31.5f);
    EXPECT_EQ(theView.gpsLatitude, 48.5f);
    EXPECT_EQ(theView.displayFormat, 3);
    EXPECT_EQ(theView.inputFormat, 2);
    EXPECT_EQ(theView.zoom, 1.0f) << "the zoom is not kept";
    EXPECT_EQ(theApp.placeInInbox, 7) << "and written back as read";
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"+380501234567");
}

TEST_F(ViewerTest, TheFileIsAlways545BytesAndKeepsItsMode) {
    WriteFile(settingsPath(), std::string(600, '\0'));
    std::filesystem::permissions(settingsPath(), std::filesystem::perms(0640));
    ASSERT_TRUE(start());
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(std::filesystem::file_size(settingsPath()), 545u);
    EXPECT_EQ(std::filesystem::status(settingsPath()).permissions(), std::filesystem::perms(0640));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".settings.dat."), std::string::npos)
            << "no temporary file is left";
    }
}

TEST_F(ViewerTest, TheInboxSignalFollowsTheStoredChoice) {
    for (std::uint8_t inbox : {0, 1}) {
        WriteFile(settingsPath(), Bytes(Record(32, 49, 31, 49, inbox, u"", 1, 0)));
        ASSERT_TRUE(start());
        EXPECT_EQ(platform::NamedMutexExists(u"tarvomutex"), inbox == 0) << int(inbox);
        exitViewer();
        EXPECT_FALSE(platform::NamedMutexExists(u"tarvomutex")) << "closed before the save";
    }
}

// A save that dies half-way (here: killed for exceeding a file size limit)
// leaves the previous settings whole.
TEST_F(ViewerTest, AnInterruptedSaveLeavesTheOldFile) {
    const std::string old = Bytes(Record(31, 48.5, 30, 50, 1, u"777", 2, 1));
    WriteFile(settingsPath(), old);
    ASSERT_TRUE(start());
    key(VK_UP);
    const pid_t child = fork();
    if (child == 0) {
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        SaveSettings();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the save was cut short";
    EXPECT_EQ(ReadFile(settingsPath()), old);

    // Refused outright, as by a full disk: nothing changes either.
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit{100, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    // Standard error into a pipe: a file would be cut by the same limit.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const int stderrCopy = dup(2);
    dup2(pipeFds[1], 2);
    SaveSettings();
    dup2(stderrCopy, 2);
    close(stderrCopy);
    close(pipeFds[1]);
    char buffer[512];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    close(pipeFds[0]);
    const std::string said(buffer, std::size_t(std::max<ssize_t>(n, 0)));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(ReadFile(settingsPath()), old);
    EXPECT_EQ(said, "tarvo: settings not saved to " + settingsPath() + ": " + settingsPath() +
                        ": cannot be written (File too large)\n")
        << "one line, naming the file and the reason";
}

// A folder others can write to may hold a settings.dat planted there as a
// link to one of the user's files: nothing is written in it.
TEST_F(ViewerTest, SettingsAreNotSavedInAFolderOthersCanWrite) {
    testsupport::TempDir mine;
    const std::string victim = mine.file("precious");
    WriteFile(victim, "the user's own file");
    std::filesystem::create_symlink(victim, settingsPath());
    chmod(dir.path().c_str(), 0777);
    ASSERT_TRUE(start());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(exitViewer(), 0) << "the save is silent to the user";
    const std::string said = ::testing::internal::GetCapturedStderr();
    chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(ReadFile(victim), "the user's own file");
    EXPECT_NE(said.find(dir.path() + ": others can write to it (mode 0777)"), std::string::npos)
        << said;
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving the folder to another user needs root";
    }
    chown(dir.path().c_str(), 65534, 65534);
    ASSERT_TRUE(start());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(": belongs to another user"),
              std::string::npos);
    chown(dir.path().c_str(), 0, 0);
    EXPECT_EQ(ReadFile(victim), "the user's own file");
}

// A FIFO, a device or a folder where settings.dat should be: read as no
// settings (never waited on), and never replaced.
TEST_F(ViewerTest, SettingsThatAreNoRegularFileAreAbsentAndKept) {
    ASSERT_EQ(mkfifo(settingsPath().c_str(), 0600), 0);
    ASSERT_TRUE(start()) << "no wait for a writer";
    EXPECT_EQ(theView.displayFormat, 1) << "the defaults";
    key(VK_UP);
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(settingsPath())) << "not replaced by the save";
}

TEST_F(ViewerTest, AReadOnlySettingsFileIsNotReplaced) {
    const std::string old = Bytes(Record(31, 48.5, 30, 50, 1, u"777", 2, 1));
    WriteFile(settingsPath(), old);
    std::filesystem::permissions(settingsPath(), std::filesystem::perms(0444));
    ASSERT_TRUE(start());
    key(VK_UP);
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(ReadFile(settingsPath()), old) << "the user made it read-only";
    start();
    ::testing::internal::CaptureStderr();
    exitViewer();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(settingsPath() + ": read-only"),
              std::string::npos);
    EXPECT_EQ(std::filesystem::status(settingsPath()).permissions(), std::filesystem::perms(0444));
}

// A settings.dat that is a link: the file it leads to is the settings, and
// the link stays a link.
TEST_F(ViewerTest, ALinkedSettingsFileIsReplacedWhereItLeads) {
    testsupport::TempDir elsewhere;
    const std::string target = elsewhere.file("my-settings");
    WriteFile(target, Bytes(Record(31, 48.5, 30, 50, 1, u"777", 2, 1)));
    std::filesystem::create_symlink(target, settingsPath());
    ASSERT_TRUE(start());
    EXPECT_EQ(theView.displayFormat, 2) << "read through the link";
    command(IDM_DISPLAY_OFF);
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(settingsPath()));
    EXPECT_EQ(ReadFile(target)[537], 0) << "the target holds the new settings";
    for (const auto& entry : std::filesystem::directory_iterator(elsewhere.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".settings.dat."), std::string::npos);
    }
    // A link to a file not there yet: the save makes it.
    std::filesystem::remove(target);
    ASSERT_TRUE(start());
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(std::filesystem::file_size(target), 545u);
}

// Temporary files that killed saves left behind go at the next save; one a
// save is writing now, and names that are not this program's, stay.
TEST_F(ViewerTest, TemporaryFilesOfKilledSavesAreRemoved) {
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name :
         {".settings.dat.a1B2c3", ".settings.dat.XyZ789", ".settings.dat.held00",
          ".settings.dat.toolong7", "settings.dat.abcdef", ".settings.dat.fresh1"}) {
        WriteFile(dir.file(name), "half a save");
        if (std::string(name) != ".settings.dat.fresh1") {
            std::filesystem::last_write_time(dir.file(name), old);
        }
    }
    const int held = open(dir.file(".settings.dat.held00").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0) << "a save in another process";
    ASSERT_TRUE(start());
    EXPECT_EQ(exitViewer(), 0);
    close(held);
    EXPECT_FALSE(std::filesystem::exists(dir.file(".settings.dat.a1B2c3")));
    EXPECT_FALSE(std::filesystem::exists(dir.file(".settings.dat.XyZ789")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".settings.dat.held00")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".settings.dat.toolong7")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("settings.dat.abcdef")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".settings.dat.fresh1"))) << "maybe a save now";
    EXPECT_EQ(std::filesystem::file_size(settingsPath()), 545u);
}

} // namespace
