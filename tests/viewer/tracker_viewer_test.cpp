// The tracker link in the viewer: "Request pos" with the "Ask TR-101" form
// against sim-modem on a private bus, and the reports that arrive.
#include "child_process.h"
#include "platform_testing.h"
#include "viewer_fixture.h"

#include "core/answers_log.h"
#include "core/utf8.h"

#include "smsgate/smsgate.h"
#include "viewer/app_state.h"
#include "viewer/res/resource_ids.h"
#include "viewer/tracker_report.h"
#include "viewer/view_state.h"

#include "platform/dialogs/dialog.h"
#include "platform/system/kernel.h"
#include "platform/windows/gapi.h"
#include "platform/windows/menu.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

namespace {

using namespace std::chrono_literals;
using platform::testing::PressKey;
using platform::testing::TypeText;

const std::string kBin = TARVO_BINARY_DIR;
const std::string kRegistered =
    "messagebox\t0\tSMS\tComponent has been installed. Please reboot phone.";
const std::string kSent = "messagebox\t0\tSend SMS\tMessage has been sent.";
const std::string kSendError = "messagebox\t16\tSend SMS\tError sending message.";
const std::string kOpenError = "messagebox\t16\tError\tError in SmsOpen()!";

class TrackerViewerTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        if (testsupport::PrivateSystemBus().empty()) {
            GTEST_SKIP() << "no dbus-daemon here";
        }
        modem = std::make_unique<testsupport::ChildProcess>(
            std::vector<std::string>{kBin + "/sim-modem", "--reply-delay", "60000"},
            std::vector<std::string>{}, dir.file("sim-modem.log"));
        ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", true, 10s));
        ASSERT_TRUE(start());
    }
    void TearDown() override {
        ViewerTest::TearDown();
        UnregisterRuleComponent(); // the registry lives in the test program's folder
        modem.reset();
        testsupport::WaitForBusName("org.freedesktop.ModemManager1", false, 5s);
    }

    static std::string ctl(const std::string& arguments) {
        return testsupport::RunCommand(kBin + "/sim-modem ctl " + arguments).output;
    }

    // "Request pos" with the component registered: runs `inside` in the form.
    void request(const std::function<void(HWND)>& inside) {
        if (!IsRuleComponentInstalled()) {
            command(IDM_REQUEST_POS);
        }
        bool opened = false;
        platform::testing::OnNextDialog([&](HWND form) {
            opened = true;
            inside(form);
            platform::testing::DispatchPosted();
            if (IsWindowVisible(form)) {
                ADD_FAILURE() << "the form is still open";
                EndDialog(form, 77);
            }
        });
        command(IDM_REQUEST_POS);
        EXPECT_TRUE(opened);
    }

    static std::u16string text(HWND form, int id) {
        WCHAR buffer[300];
        GetDlgItemText(form, id, buffer, 300);
        return buffer;
    }

    bool recorded(const std::string& line) const {
        const auto& lines = recording.lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    LRESULT report(const void* data, DWORD bytes) {
        COPYDATASTRUCT copy{7, bytes, const_cast<void*>(data)};
        return SendMessage(theApp.mainWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    }

    std::unique_ptr<testsupport::ChildProcess> modem;
};

TEST_F(TrackerViewerTest, RequestPosRegistersFirstThenAsksAndSends) {
    EXPECT_FALSE(IsRuleComponentInstalled());
    command(IDM_REQUEST_POS);
    EXPECT_EQ(recording.lines().back(), kRegistered);
    EXPECT_TRUE(IsRuleComponentInstalled());
    request([](HWND form) {
        WCHAR title[32];
        GetWindowText(form, title, 32);
        EXPECT_EQ(std::u16string(title), u"Ask TR-101");
        EXPECT_EQ(text(form, IDC_STATIC), u"TR-101 number:");
        EXPECT_EQ(text(form, IDC_TRACKER_NUMBER), u"") << "no settings file: no number";
        EXPECT_EQ(SendDlgItemMessage(form, IDC_DONT_PLACE_TO_INBOX, BM_GETCHECK, 0, 0),
                  LRESULT(BST_CHECKED))
            << "and the box checked";
        EXPECT_FALSE(IsWindowVisible(theApp.menuBar));
        EXPECT_EQ(GetFocus(), GetDlgItem(form, IDC_TRACKER_NUMBER));
        TypeText(u"+380501234567");
        PressKey(VK_F1); // Ok
    });
    EXPECT_TRUE(recorded(kSent));
    EXPECT_EQ(ctl("sent"), "+380501234567\trequest\t1\n") << "class 1, the exact text";
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"+380501234567");
    EXPECT_EQ(theApp.placeInInbox, 0);
    EXPECT_TRUE(platform::NamedMutexExists(u"tarvomutex"));
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar));
}

TEST_F(TrackerViewerTest, WithoutAModemOnlyTheOpenErrorIsShownAndTheChoicesStay) {
    ctl("unplug");
    request([](HWND) {
        TypeText(u"12345");
        PressKey(VK_F1);
    });
    EXPECT_TRUE(recorded(kOpenError));
    EXPECT_FALSE(recorded(kSent));
    EXPECT_FALSE(recorded(kSendError));
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"12345");
    EXPECT_TRUE(platform::NamedMutexExists(u"tarvomutex")) << "created before the service opened";
}

TEST_F(TrackerViewerTest, ASendErrorIsShownAndTheChoicesStay) {
    ctl("fail-next-send");
    request([](HWND) {
        TypeText(u"+380501234567");
        PressKey(VK_F1);
    });
    EXPECT_TRUE(recorded(kSendError));
    EXPECT_FALSE(recorded(kSent));
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"+380501234567");
    EXPECT_EQ(ctl("sent"), "");
}

TEST_F(TrackerViewerTest, TheInboxSignalFollowsTheCheckBox) {
    request([](HWND) { PressKey(VK_F1); });
    const HANDLE first = theApp.inboxSignal;
    EXPECT_NE(first, nullptr);
    request([](HWND) { PressKey(VK_F1); });
    EXPECT_EQ(theApp.inboxSignal, first) << "created once";
    request([](HWND form) {
        PressKey(VK_DOWN);
        EXPECT_EQ(GetFocus(), GetDlgItem(form, IDC_DONT_PLACE_TO_INBOX));
        PressKey(VK_SPACE);
        PressKey(VK_F1);
    });
    EXPECT_EQ(theApp.placeInInbox, 1);
    EXPECT_EQ(theApp.inboxSignal, nullptr);
    EXPECT_FALSE(platform::NamedMutexExists(u"tarvomutex"));
    request([](HWND form) {
        EXPECT_EQ(SendDlgItemMessage(form, IDC_DONT_PLACE_TO_INBOX, BM_GETCHECK, 0, 0),
                  LRESULT(BST_UNCHECKED))
            << "the form shows the choice";
        PressKey(VK_F2);
    });
    theApp.placeInInbox = 7; // as a settings file may hold it
    request([](HWND) { PressKey(VK_F1); });
    EXPECT_EQ(theApp.placeInInbox, 7) << "an unchanged choice keeps its byte";
}

TEST_F(TrackerViewerTest, CancelAndCloseKeepTheOldNumber) {
    request([](HWND) {
        TypeText(u"+111");
        PressKey(VK_F1);
    });
    request([](HWND form) {
        EXPECT_EQ(text(form, IDC_TRACKER_NUMBER), u"+111");
        TypeText(u"222");
        PressKey(VK_DOWN);
        PressKey(VK_SPACE);
        PressKey(VK_F2);
    });
    request([](HWND form) {
        TypeText(u"333");
        platform::testing::CloseFromDesktop(form);
    });
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"+111");
    EXPECT_EQ(theApp.placeInInbox, 0);
    EXPECT_EQ(ctl("sent"), "+111\trequest\t1\n");
}

TEST_F(TrackerViewerTest, BackEditsTheNumberAndALongNumberIsCutTo127Characters) {
    request([](HWND form) {
        TypeText(u"12345");
        PressKey(VK_ESCAPE);
        EXPECT_EQ(text(form, IDC_TRACKER_NUMBER), u"1234");
        platform::testing::DispatchPosted();
        EXPECT_TRUE(IsWindowVisible(form)) << "Back edits, it does not close";
        TypeText(std::u16string(150, u'9'));
        PressKey(VK_F1);
    });
    const std::u16string stored = theApp.trackerNumber;
    EXPECT_EQ(stored.size(), 127u);
    EXPECT_EQ(stored, u"1234" + std::u16string(123, u'9'));
    EXPECT_EQ(ctl("sent"), core::ToUtf8(stored) + "\trequest\t1\n");
}

// Back on the check box leaves the form, as Back leaves a phone's screen:
// the form is cancelled, and the viewer stays in front.
TEST_F(TrackerViewerTest, BackOnTheCheckBoxCancelsTheFormAndKeepsTheViewer) {
    request([](HWND form) {
        TypeText(u"+222");
        PressKey(VK_DOWN);
        ASSERT_EQ(GetFocus(), GetDlgItem(form, IDC_DONT_PLACE_TO_INBOX));
        PressKey(VK_ESCAPE);
        platform::testing::DispatchPosted();
        EXPECT_FALSE(IsWindowVisible(form)) << "cancelled";
    });
    EXPECT_FALSE(platform::testing::IsMinimised(theApp.mainWindow));
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar));
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"") << "Cancel keeps nothing";
    EXPECT_EQ(ctl("sent"), "");
}

TEST_F(TrackerViewerTest, AReportMovesTheMapBeepsAndShowsTheText) {
    const std::u16string text = u"Lat:50.45012 Lon:30.52341";
    theView.zoom = 4.0f;
    EXPECT_EQ(report(text.c_str(), DWORD((text.size() + 1) * 2)), 0);
    EXPECT_EQ(theView.gpsLatitude, 50.45012f);
    EXPECT_EQ(theView.gpsLongitude, 30.52341f);
    EXPECT_EQ(theView.centreLatitude, 50.45012f);
    EXPECT_EQ(theView.centreLongitude, 30.52341f);
    EXPECT_EQ(theView.zoom, 4.0f);
    ASSERT_GE(recording.lines().size(), 2u);
    EXPECT_EQ(recording.lines()[recording.lines().size() - 2], "beep\t64");
    EXPECT_EQ(recording.lines().back(), "messagebox\t0\tReport\tLat:50.45012 Lon:30.52341"
                                        "\\n50.45012 N 30.52341 E, GPS fix")
        << "the text as received, and what was read of it";

    theView.centreLatitude = 1.0f;
    const std::u16string noPosition = u"Battery low";
    report(noPosition.c_str(), DWORD((noPosition.size() + 1) * 2));
    EXPECT_EQ(theView.centreLatitude, 50.45012f) << "back to the last GPS position";
    EXPECT_EQ(theView.gpsLatitude, 50.45012f) << "kept";
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tReport\tBattery low\\nno position in this answer; last position "
              "under a minute ago: 50.45012 N 30.52341 E, GPS fix")
        << "and how old the last position is";
    const std::u16string noFix = u"GPS: V Lat:1.5 Lon:2.5";
    report(noFix.c_str(), DWORD((noFix.size() + 1) * 2));
    EXPECT_EQ(theView.gpsLatitude, 50.45012f) << "a text that says there is no fix";
    EXPECT_EQ(recording.lines()[recording.lines().size() - 2], "beep\t64");
}

// Every answer goes to the log with the time it came, the sender's number
// the gate put after the text's terminator (none when it sent none, or
// something that is no number), and what was read; the box shows the text
// alone, as before.
TEST_F(TrackerViewerTest, EveryAnswerIsLoggedWithItsSenderAndWhatWasRead) {
    const std::int64_t before = std::int64_t(std::time(nullptr));
    const std::u16string withNumber =
        std::u16string(u"Lat:-33.5 Lon:-70.25") + u'\0' + u"+380501234567" + u'\0';
    report(withNumber.data(), DWORD(withNumber.size() * 2));
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tReport\tLat:-33.5 Lon:-70.25\\n33.50000 S 70.25000 W, GPS fix");
    const std::u16string bare = u"POS: NO GPS DATA";
    report(bare.c_str(), DWORD((bare.size() + 1) * 2));
    const std::u16string junk = std::u16string(u"LBS Lat:1.5 Lon:2.5") + u'\0' + u"call me";
    report(junk.data(), DWORD(junk.size() * 2));
    const std::int64_t after = std::int64_t(std::time(nullptr));

    const auto logged = core::ParseAnswersLog(testsupport::ReadFile(dir.file("answers.log")));
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_EQ(logged[0].number, "+380501234567");
    EXPECT_EQ(logged[0].text, u"Lat:-33.5 Lon:-70.25");
    EXPECT_EQ(logged[0].read.quality, FixQuality::Gps);
    EXPECT_DOUBLE_EQ(logged[0].read.latitude, -33.5);
    EXPECT_DOUBLE_EQ(logged[0].read.longitude, -70.25);
    EXPECT_EQ(logged[1].number, "");
    EXPECT_FALSE(logged[1].read.hasPosition());
    EXPECT_EQ(logged[2].number, "") << "not a number: not taken";
    EXPECT_EQ(logged[2].read.quality, FixQuality::CellTowers);
    for (const auto& a : logged) {
        EXPECT_GE(a.received, before);
        EXPECT_LE(a.received, after);
    }
}

// Options > TR-101 > Answers lists the newest answers, newest first;
// choosing one centres the map on it; "Request from" another number seen
// opens the form with that number, and a cancel keeps the saved one.
TEST_F(TrackerViewerTest, TheAnswersMenuCentresOnAnAnswerAndOffersTheOtherNumbers) {
    std::string log;
    const char* numbers[] = {"+380501234567", "+380661230001", "+380671230002"};
    for (int i = 0; i < 12; ++i) {
        core::LoggedAnswer a;
        a.received = std::int64_t(std::time(nullptr)) - 600 + i;
        a.number = numbers[i % 3];
        a.text = i == 10 ? u"NO GPS"
                         : u"Lat:49." + core::FromUtf8(std::to_string(10 + i)) + u" Lon:31.5";
        a.read = ReadTrackerReport(a.text);
        log += core::FormatAnswerLine(a);
    }
    testsupport::WriteFile(dir.file("answers.log"), log);
    std::copy_n(u"+380501234567", 14, theApp.trackerNumber);

    HMENU options = platform::testing::SoftKeyMenu(theApp.menuBar, 0);
    platform::testing::BrowseMenu(options);
    HMENU answers = GetSubMenu(GetSubMenu(options, 1), 2);
    ASSERT_NE(answers, nullptr);
    ASSERT_EQ(GetMenuItemCount(answers), 10 + 2) << "ten answers, two other numbers";
    EXPECT_EQ(GetMenuItemID(answers, 0), IDM_ANSWER_FIRST);
    EXPECT_EQ(GetMenuItemID(answers, 10), IDM_REQUEST_FROM_FIRST);
    platform::testing::BrowseMenu(options);
    EXPECT_EQ(GetMenuItemCount(answers), 12) << "filled afresh each time it opens";

    platform::testing::ChooseMenuItem(answers, IDM_ANSWER_FIRST); // the newest, #11
    platform::testing::DispatchPosted();
    EXPECT_EQ(theView.centreLatitude, 49.21f);
    EXPECT_EQ(theView.centreLongitude, 31.5f);
    platform::testing::ChooseMenuItem(answers, IDM_ANSWER_FIRST + 1); // #10: no position
    platform::testing::DispatchPosted();
    EXPECT_EQ(theView.centreLatitude, 49.21f) << "an answer without a position moves nothing";

    command(IDM_REQUEST_POS); // registers the component
    std::u16string offered;
    platform::testing::OnNextDialog([&](HWND form) {
        offered = text(form, IDC_TRACKER_NUMBER);
        PressKey(VK_F2);
    });
    command(IDM_REQUEST_FROM_FIRST); // the newest other number: #11's
    EXPECT_EQ(offered, u"+380671230002");
    EXPECT_EQ(std::u16string(theApp.trackerNumber), u"+380501234567") << "cancelled: kept";
}

TEST_F(TrackerViewerTest, ReportsWithoutDataOrTerminatorDoNoHarm) {
    const std::size_t before = recording.lines().size();
    const ViewState view = theView;
    EXPECT_EQ(report(nullptr, 10), 0);
    const std::u16string text = u"Lat:1.5 Lon:2.5 and more";
    EXPECT_EQ(report(text.c_str(), 0), 0);
    EXPECT_EQ(recording.lines().size(), before) << "ignored";
    EXPECT_EQ(std::memcmp(&view, &theView, sizeof view), 0);

    report(text.c_str(), 15 * 2 + 1); // an odd count, no terminator within it
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tReport\tLat:1.5 Lon:2.5\\n1.50000 N 2.50000 E, GPS fix");
    EXPECT_EQ(theView.gpsLongitude, 2.5f);
    const std::u16string huge = u"Lat:10.5 " + std::u16string(5000, u'x') + u" Lon:20.25";
    report(huge.c_str(), DWORD((huge.size() + 1) * 2));
    EXPECT_EQ(theView.gpsLatitude, 10.5f);
    EXPECT_EQ(theView.gpsLongitude, 20.25f);
}

TEST_F(TrackerViewerTest, AReportArrivingWhileAFormIsUpIsHandledThere) {
    request([this](HWND form) {
        const std::u16string text = u"Lat:49.5 Lon:31.25";
        report(text.c_str(), DWORD((text.size() + 1) * 2));
        EXPECT_TRUE(IsWindowVisible(form));
        EXPECT_EQ(theView.centreLongitude, 31.25f);
        PressKey(VK_F2);
    });
    EXPECT_EQ(theView.gpsLatitude, 49.5f);
}

TEST_F(TrackerViewerTest, UninstallMakesTheNextRequestRegisterAgain) {
    command(IDM_REQUEST_POS);
    ASSERT_TRUE(IsRuleComponentInstalled());
    command(IDM_UNINSTALL);
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tSMS\tComponent has been uninstalled. Please reboot phone.");
    EXPECT_FALSE(IsRuleComponentInstalled());
    command(IDM_UNINSTALL);
    EXPECT_EQ(recording.lines().back(),
              "messagebox\t0\tSMS\tComponent has been uninstalled. Please reboot phone.")
        << "shown whatever the result";
    command(IDM_REQUEST_POS);
    EXPECT_EQ(recording.lines().back(), kRegistered);
}

} // namespace
