// The tracker link end to end with real processes on a private bus: the
// viewer, the gate daemon and sim-modem with its simulated TR-101.
#include "child_process.h"
#include "map_fixture.h"

#include "core/answers_log.h"
#include "core/settings_record.h"

#include "platform/system/kernel.h"
#include "platform/windows/window.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <utility>

namespace {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::ReadFile;

const std::string kBin = TARVO_BINARY_DIR;
const std::string kNumber = "+380501234567";
// A "Report" box: the text as received, and a line saying what was read.
std::string ReportLine(const std::string& text, const std::string& read) {
    return "messagebox\t0\tReport\t" + text + "\\n" + read;
}
int Occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

const std::string kReportLine =
    ReportLine("Lat:50.45012 Lon:30.52341", "50.45012 N 30.52341 E, GPS fix");
const std::string kSecondReport = ReportLine("Lat:10.5 Lon:20.5", "10.50000 N 20.50000 E, GPS fix");

class TrackerProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::PrivateSystemBus().empty()) {
            GTEST_SKIP() << "no dbus-daemon here";
        }
        // The program, its library and its gate side by side, as installed.
        for (const char* name : {"tarvo", "libsmsgate.so", "smsgate"}) {
            std::error_code error;
            std::filesystem::create_hard_link(kBin + "/" + name, dir.file(name), error);
            if (error) {
                std::filesystem::copy_file(kBin + "/" + name, dir.file(name));
            }
        }
        testsupport::WriteNumberedMap(dir.file("map"), {1024, 512, 30, 51, 31, 50.5});
        startModem();
        gate = std::make_unique<ChildProcess>(
            std::vector<std::string>{dir.file("smsgate"), "--delivered-log", dir.file("delivered")},
            std::vector<std::string>{}, dir.file("gate.log"));
    }

    void startModem() {
        modem = std::make_unique<ChildProcess>(
            std::vector<std::string>{kBin + "/sim-modem", "--reply-delay", "200", "--storage",
                                     dir.file("sim.json")},
            std::vector<std::string>{}, dir.file("sim-modem.log"));
        ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", true, 10s));
    }

    void stopModem() {
        modem.reset();
        ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", false, 10s));
    }

    void startViewer() {
        viewer = std::make_unique<ChildProcess>(
            std::vector<std::string>{dir.file("tarvo")},
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "TARVO_UI_RECORD=" + record()},
            dir.file("tarvo.log"));
        for (int i = 0; i < 250 && msg("find") != 0; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        ASSERT_EQ(msg("find"), 0) << ReadFile(dir.file("tarvo.log"));
    }

    int exitViewer() {
        msg("command 8");
        const int status = viewer->wait(10s);
        viewer.reset();
        return status;
    }

    // settings.dat as the viewer would have written it.
    void saveSettings(const std::u16string& number, bool placeInInbox) {
        SettingsRecord r{};
        r.centreLongitude = 30.5f;
        r.centreLatitude = 50.75f;
        r.gpsLongitude = 30.5f;
        r.gpsLatitude = 50.75f;
        r.placeInInbox = placeInInbox ? 1 : 0;
        std::copy(number.begin(), number.end(), r.trackerNumber);
        r.displayFormat = 1;
        const auto bytes = EncodeSettings(r);
        testsupport::WriteFile(
            dir.file("settings.dat"),
            std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    SettingsRecord savedSettings() const {
        SettingsRecord r{};
        const std::string bytes = ReadFile(dir.file("settings.dat"));
        DecodeSettings(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &r);
        return r;
    }

    std::string record() const { return dir.file("ui.log"); }

    int count(const std::string& line) const {
        const std::string text = ReadFile(record());
        int n = 0;
        for (std::size_t at = text.find(line + "\n"); at != std::string::npos;
             at = text.find(line + "\n", at + 1)) {
            ++n;
        }
        return n;
    }

    bool waitForLine(const std::string& line, int times = 1, std::chrono::milliseconds wait = 10s) {
        const auto until = std::chrono::steady_clock::now() + wait;
        while (count(line) < times) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    static int msg(const std::string& arguments) {
        return testsupport::RunCommand(kBin + "/tarvo-msg " + arguments).status;
    }

    static std::string mmcli(const std::string& arguments) {
        return testsupport::RunCommand("timeout 20 mmcli " + arguments).output;
    }

    // Messages on the modem that came from the network.
    static int receivedOnModem() {
        const std::string list = mmcli("-m any --messaging-list-sms");
        int n = 0;
        for (std::size_t at = list.find("(received)"); at != std::string::npos;
             at = list.find("(received)", at + 1)) {
            ++n;
        }
        return n;
    }

    // "Request pos" through the form, as the user would: Ok with the number.
    void requestPosition(const std::string& number) {
        ChildProcess request({kBin + "/tarvo-msg", "command", "32783"});
        ASSERT_TRUE(waitForLine("dialog\tAsk TR-101")) << ReadFile(record());
        if (!number.empty()) {
            EXPECT_EQ(msg("--class Dialog --title 'Ask TR-101' char '" + number + "'"), 0);
        }
        EXPECT_EQ(msg("--class Dialog --title 'Ask TR-101' command 1"), 0);
        EXPECT_EQ(request.wait(10s), 0) << "the command returns when the form has closed";
    }

    testsupport::TempDir dir;
    std::unique_ptr<ChildProcess> modem;
    std::unique_ptr<ChildProcess> gate;
    std::unique_ptr<ChildProcess> viewer;
};

TEST_F(TrackerProcessTest, TheTrackersAnswerMovesTheViewerAndLeavesTheInbox) {
    startViewer();
    EXPECT_EQ(msg("command 32783"), 0);
    EXPECT_TRUE(
        waitForLine("messagebox\t0\tSMS\tComponent has been installed. Please reboot phone."));
    requestPosition(kNumber);
    EXPECT_TRUE(waitForLine("messagebox\t0\tSend SMS\tMessage has been sent."));
    ASSERT_TRUE(waitForLine(kReportLine)) << ReadFile(dir.file("gate.log"));
    EXPECT_EQ(count("beep\t64"), 1);
    for (int i = 0; i < 100 && receivedOnModem() > 0; ++i) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(receivedOnModem(), 0) << "\"Don't place to inbox\": the report is deleted";
    EXPECT_EQ(exitViewer(), 0);
    const SettingsRecord saved = savedSettings();
    EXPECT_EQ(saved.gpsLatitude, 50.45012f);
    EXPECT_EQ(saved.gpsLongitude, 30.52341f);
    EXPECT_EQ(saved.centreLatitude, 50.45012f);
    EXPECT_EQ(saved.centreLongitude, 30.52341f);
    EXPECT_EQ(std::u16string(saved.trackerNumber), testsupport::Wide(kNumber));
    EXPECT_EQ(count(kReportLine), 1) << "delivered once";
}

TEST_F(TrackerProcessTest, WithTheBoxClearTheReportStaysOnTheModem) {
    saveSettings(testsupport::Wide(kNumber), true);
    startViewer();
    msg("command 32783");
    requestPosition("");
    ASSERT_TRUE(waitForLine(kReportLine)) << ReadFile(dir.file("gate.log"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(receivedOnModem(), 1);
    EXPECT_EQ(exitViewer(), 0);
}

TEST_F(TrackerProcessTest, AReportWaitsForTheViewerAndNothingIsDeliveredTwice) {
    saveSettings(testsupport::Wide("0501234567"), false); // the saved number, no request
    EXPECT_EQ(testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + kNumber +
                                      " 'Lat:50.45012 Lon:30.52341'")
                  .status,
              0);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(receivedOnModem(), 1) << "not registered: the gate leaves it alone";
    startViewer();
    msg("command 32783"); // registers; the gate notices without a restart
    ASSERT_TRUE(waitForLine(kReportLine)) << ReadFile(dir.file("gate.log"));
    for (int i = 0; i < 100 && receivedOnModem() > 0; ++i) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(receivedOnModem(), 0) << "the inbox signal is there: deleted after delivery";
    EXPECT_EQ(exitViewer(), 0);

    // A report that stays in the inbox, then ModemManager restarts and the
    // modem comes and goes: its messages are announced again.
    saveSettings(testsupport::Wide(kNumber), true);
    EXPECT_EQ(
        testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + kNumber + " 'Lat:10.5 Lon:20.5'")
            .status,
        0);
    std::this_thread::sleep_for(1500ms);
    startViewer();
    ASSERT_TRUE(waitForLine(kSecondReport)) << "delivered when a viewer appears";
    stopModem();
    startModem();
    testsupport::RunCommand(kBin + "/sim-modem ctl unplug");
    testsupport::RunCommand(kBin + "/sim-modem ctl plug");
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(receivedOnModem(), 1) << "still on the SIM";
    EXPECT_EQ(count(kSecondReport), 1) << "and delivered once";
    EXPECT_EQ(count(kReportLine), 1);
    gate.reset(); // the gate restarts too: it remembers
    gate = std::make_unique<ChildProcess>(
        std::vector<std::string>{dir.file("smsgate"), "--delivered-log", dir.file("delivered")},
        std::vector<std::string>{}, dir.file("gate.log"));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(count(kSecondReport), 1);
    EXPECT_EQ(exitViewer(), 0);
}

// Another number's message is left alone; every message of the tracker's
// reaches the viewer, a position in it or not.
TEST_F(TrackerProcessTest, OnlyTheTrackersMessagesAreDeliveredAllOfThem) {
    saveSettings(testsupport::Wide(kNumber), false);
    startViewer();
    msg("command 32783");
    testsupport::RunCommand(kBin + "/sim-modem ctl deliver +380661111111 'Lat:1.5 Lon:2.5'");
    testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + kNumber + " 'POS: NO GPS DATA'");
    ASSERT_TRUE(waitForLine(ReportLine("POS: NO GPS DATA", "no position in this answer")))
        << ReadFile(dir.file("gate.log"));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(count("beep\t64"), 1);
    EXPECT_EQ(receivedOnModem(), 1) << "the other number's message stays";
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(savedSettings().gpsLatitude, 50.75f) << "no position: the last one is kept";
}

// Answers of other trackers' shapes, each through the modem and the gate,
// land where they say; the viewer saves each one as the tracker's position.
TEST_F(TrackerProcessTest, AnswersOfEveryShapeAreSavedWhereTheySay) {
    struct Shape {
        const char* text;
        float latitude, longitude;
    };
    const Shape shapes[] = {
        {"lat:50.450120 long:30.523410 speed:000.0 T:26/12/08 18:43 bat:80% "
         "http://maps.google.com/maps?q=50.450120,30.523410&z=16",
         50.45012f, 30.52341f},
        {"Lat:-33.45012 Lon:-70.66341", -33.45012f, -70.66341f},
        {"Latitude:43.671935N Longitude:064.700950W", 43.671935f, -64.70095f},
        {"GPS: 2234.2770N,11352.6270E", 22.5712833f, 113.8771167f},
        {"https://www.google.com/maps/@40.689247,-74.044502,17z", 40.689247f, -74.044502f},
    };
    saveSettings(testsupport::Wide(kNumber), false);
    bool registered = false;
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.text);
        startViewer();
        if (!std::exchange(registered, true)) {
            msg("command 32783");
        }
        const int before = count("beep\t64");
        testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + kNumber + " '" + shape.text +
                                "'");
        ASSERT_TRUE(waitForLine("beep\t64", before + 1)) << ReadFile(dir.file("gate.log"));
        EXPECT_EQ(exitViewer(), 0);
        const SettingsRecord saved = savedSettings();
        EXPECT_NEAR(saved.gpsLatitude, shape.latitude, 1e-5);
        EXPECT_NEAR(saved.gpsLongitude, shape.longitude, 1e-5);
        EXPECT_EQ(saved.centreLatitude, saved.gpsLatitude);
    }
}

// Waiting for messages, the gate sleeps: none of its threads runs for ten
// seconds, registered or not.
TEST_F(TrackerProcessTest, AnIdleGateNeverWakes) {
    const auto switches = [this] {
        long long total = 0;
        const std::string tasks = "/proc/" + std::to_string(gate->pid()) + "/task";
        for (const auto& task : std::filesystem::directory_iterator(tasks)) {
            const std::string status = ReadFile(task.path().string() + "/status");
            for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
                const std::size_t at = status.find(std::string("\n") + key);
                if (at != std::string::npos) {
                    total += std::atoll(status.c_str() + at + 1 + std::strlen(key));
                }
            }
        }
        return total;
    };
    saveSettings(testsupport::Wide(kNumber), false);
    startViewer();
    msg("command 32783"); // registered
    EXPECT_EQ(exitViewer(), 0);
    std::this_thread::sleep_for(2s); // the gate's scan after the change settles
    const long long before = switches();
    ASSERT_GT(before, 0) << "the counts are read";
    std::this_thread::sleep_for(10s);
    EXPECT_EQ(switches(), before) << "context switches in ten idle seconds";
}

// Only a "request" that went out names a tracker: one made and never sent
// (a draft) asked nobody anything.
TEST_F(TrackerProcessTest, ARequestNeverSentDoesNotMakeItsNumberATracker) {
    saveSettings(testsupport::Wide(kNumber), false);
    startViewer();
    msg("command 32783");
    const std::string draft =
        mmcli("-m any --messaging-create-sms=\"text='request',number='+380661111111'\"");
    ASSERT_NE(draft.find("Successfully created new SMS"), std::string::npos) << draft;
    std::this_thread::sleep_for(500ms);
    testsupport::RunCommand(kBin + "/sim-modem ctl deliver +380661111111 'Lat:1.5 Lon:2.5'");
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(count("beep\t64"), 0) << ReadFile(dir.file("gate.log"));
    EXPECT_EQ(exitViewer(), 0);
}

// More reports kept on the modem than the delivered log holds of deleted
// ones: a restart of the gate must not deliver any of them again.
TEST_F(TrackerProcessTest, NoReportKeptOnTheModemIsDeliveredTwiceWhateverTheCount) {
    constexpr int kKept = 1005;
    stopModem();
    std::string sim = "[";
    for (int i = 0; i < kKept; ++i) {
        sim += std::string(i == 0 ? "" : ",") + "{\"number\":\"" + kNumber +
               "\",\"text\":\"Lat:" + std::to_string(i % 80) + ".5 Lon:" + std::to_string(i) +
               ".25\",\"timestamp\":\"2026-12-01T10:00:00+00:00\"}";
    }
    testsupport::WriteFile(dir.file("sim.json"), sim + "]");
    startModem();
    saveSettings(testsupport::Wide(kNumber), true); // answers stay in the inbox
    startViewer();
    msg("command 32783");
    ASSERT_TRUE(waitForLine("beep\t64", kKept, 120s)) << count("beep\t64");
    std::this_thread::sleep_for(500ms); // the last one's log entry
    gate.reset();
    gate = std::make_unique<ChildProcess>(
        std::vector<std::string>{dir.file("smsgate"), "--delivered-log", dir.file("delivered")},
        std::vector<std::string>{}, dir.file("gate.log"));
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(count("beep\t64"), kKept) << ReadFile(dir.file("gate.log"));
    EXPECT_EQ(exitViewer(), 0);
}

TEST_F(TrackerProcessTest, AReportInSeveralPartsIsDeliveredWhole) {
    saveSettings(testsupport::Wide(kNumber), false);
    startViewer();
    msg("command 32783");
    const std::string text = "Position report. " + std::string(180, '-') + " Lat:49.25 Lon:28.5";
    testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + kNumber + " '" + text + "'");
    ASSERT_TRUE(waitForLine(ReportLine(text, "49.25000 N 28.50000 E, GPS fix")))
        << ReadFile(dir.file("gate.log"));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(count("beep\t64"), 1);
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(savedSettings().gpsLatitude, 49.25f);
}

// Whatever another program sends: a report without its terminator, and one
// far longer than an SMS.
TEST_F(TrackerProcessTest, LongAndUnterminatedReportsDoNoHarm) {
    startViewer();
    HWND window = FindWindow(u"TARVO", u"tarvo");
    ASSERT_NE(window, nullptr);
    const std::u16string open = u"Lat:1.25 Lon:2.75 and more";
    COPYDATASTRUCT cut{0, 17 * 2 + 1, const_cast<char16_t*>(open.data())};
    EXPECT_EQ(SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cut)), 0);
    const std::u16string huge = u"Lat:3.5 " + std::u16string(6000, u'x') + u" Lon:4.5";
    COPYDATASTRUCT big{0, DWORD((huge.size() + 1) * 2), const_cast<char16_t*>(huge.data())};
    EXPECT_EQ(SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&big)), 0);
    COPYDATASTRUCT empty{0, 0, nullptr};
    EXPECT_EQ(SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty)), 0);
    EXPECT_TRUE(waitForLine(ReportLine("Lat:1.25 Lon:2.75", "1.25000 N 2.75000 E, GPS fix")));
    EXPECT_EQ(count("beep\t64"), 2) << "the empty one is ignored";
    EXPECT_EQ(exitViewer(), 0);
    EXPECT_EQ(savedSettings().gpsLatitude, 3.5f);
    EXPECT_EQ(savedSettings().gpsLongitude, 4.5f);
}

// The phone's messaging app deletes a message this long after it is whole;
// under the sanitizers every program runs several times slower, the gate's
// reading as well as the stand-in modem's timer.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kMessagingAppDelayMs = 60;
#else
constexpr int kMessagingAppDelayMs = 20;
#endif

// Three trackers answer 50 times while the phone's messaging app takes each
// message off the modem 20 ms after it is whole: the gate has read every one
// first, and the viewer logs all 50 with their senders; the log exports as
// GPX that a GPX reader takes.
TEST_F(TrackerProcessTest, FiftyAnswersOfThreeTrackersBesideAMessagingAppAreLoggedAndExported) {
    const std::string numbers[] = {kNumber, "+380661230001", "+380671230002"};
    saveSettings(testsupport::Wide(kNumber), true);
    // The other two were asked lately, which the gate keeps across restarts.
    const std::string now = core::FormatUtcTime(std::int64_t(std::time(nullptr)));
    testsupport::WriteFile(dir.file("smsgate-requested"),
                           now + "\t" + numbers[1] + "\n" + now + "\t" + numbers[2] + "\n");
    gate.reset();
    gate = std::make_unique<ChildProcess>(
        std::vector<std::string>{dir.file("smsgate"), "--delivered-log", dir.file("delivered")},
        std::vector<std::string>{}, dir.file("gate.log"));
    startViewer();
    msg("command 32783");
    ASSERT_EQ(testsupport::RunCommand(kBin + "/sim-modem ctl competitor " +
                                      std::to_string(kMessagingAppDelayMs))
                  .status,
              0);
    constexpr int kAnswers = 50;
    for (int i = 0; i < kAnswers; ++i) {
        testsupport::RunCommand(kBin + "/sim-modem ctl deliver " + numbers[i % 3] + " 'Lat:50." +
                                std::to_string(10 + i) + " Lon:30.5 #" + std::to_string(i) + "'");
    }
    std::vector<core::LoggedAnswer> logged;
    for (int i = 0; i < 1500 && logged.size() < kAnswers; ++i) {
        std::this_thread::sleep_for(20ms);
        logged = core::ParseAnswersLog(ReadFile(dir.file("answers.log")));
    }
    ASSERT_EQ(logged.size(), std::size_t(kAnswers)) << ReadFile(dir.file("gate.log"));
    int from[3] = {0, 0, 0};
    for (const core::LoggedAnswer& a : logged) {
        for (int n = 0; n < 3; ++n) {
            from[n] += a.number == numbers[n];
        }
        EXPECT_TRUE(a.read.hasPosition());
    }
    EXPECT_EQ(from[0], 17);
    EXPECT_EQ(from[1], 17);
    EXPECT_EQ(from[2], 16);
    EXPECT_EQ(receivedOnModem(), 0) << "the messaging app took them all";
    EXPECT_EQ(exitViewer(), 0);

    // The log as GPX: valid against the GPX 1.1 schema, and read by gpsbabel
    // as three tracks of 50 points in all.
    const std::string gpx = dir.file("answers.gpx");
    const auto exported = testsupport::RunCommand(dir.file("tarvo") + " --export-gpx " + gpx);
    ASSERT_EQ(exported.status, 0) << exported.output;
    EXPECT_EQ(exported.output.find("tarvo: 50 positions of 50 answers"), 0u) << exported.output;
    const std::string schema = TARVO_GPX_SCHEMA;
    ASSERT_FALSE(schema.empty()) << "no GPX 1.1 schema: run scripts/install-deps";
    const auto valid =
        testsupport::RunCommand("xmllint --noout --schema " + schema + " " + gpx + " 2>&1");
    EXPECT_EQ(valid.status, 0) << valid.output;
    const auto read = testsupport::RunCommand("gpsbabel -t -i gpx -f " + gpx + " -o gpx -F -");
    ASSERT_EQ(read.status, 0) << read.output;
    EXPECT_EQ(Occurrences(read.output, "<trk>"), 3) << read.output;
    EXPECT_EQ(Occurrences(read.output, "<trkpt "), kAnswers);
    const auto one = testsupport::RunCommand(dir.file("tarvo") + " --export-gpx " + gpx +
                                             " --number " + numbers[2]);
    EXPECT_EQ(one.output.find("tarvo: 16 positions"), 0u) << one.output;
}

} // namespace
