// sim-modem against ModemManager's own client, mmcli (what mmcli cannot do
// with it is sim-modem's fault), and the platform's SMS service against
// sim-modem.
#include "child_process.h"
#include "map_fixture.h"
#include "platform_testing.h"

#include "core/utf8.h"

#include "platform/system/kernel.h"
#include "platform/telephony/sms.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testsupport::RunCommand;

const std::string kBin = TARVO_BINARY_DIR;

class SimModemTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (testsupport::PrivateSystemBus().empty()) {
            GTEST_SKIP() << "no dbus-daemon here";
        }
        startModem();
    }

    void startModem() {
        modem = std::make_unique<testsupport::ChildProcess>(
            std::vector<std::string>{kBin + "/sim-modem", "--reply-delay", "100", "--storage",
                                     dir.file("sim.json")},
            std::vector<std::string>{}, dir.file("sim-modem.log"));
        ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", true, 10s))
            << testsupport::ReadFile(dir.file("sim-modem.log"));
    }

    void stopModem() {
        modem->stop();
        ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", false, 10s));
    }

    static testsupport::CommandResult ctl(const std::string& arguments) {
        return RunCommand(kBin + "/sim-modem ctl " + arguments);
    }

    static testsupport::CommandResult mmcli(const std::string& arguments) {
        return RunCommand("timeout 20 mmcli " + arguments);
    }

    // Waits for a line of `mmcli` output to hold the text.
    static bool waitForOutput(const std::string& arguments, const std::string& text) {
        for (int i = 0; i < 100; ++i) {
            if (mmcli(arguments).output.find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::ChildProcess> modem;
};

#define EXPECT_HAS(haystack, needle)                                                               \
    EXPECT_NE((haystack).find(needle), std::string::npos) << (haystack)

TEST_F(SimModemTest, MmcliListsTheModemAndSendsReadsAndDeletesMessages) {
    EXPECT_HAS(mmcli("-L").output, "/org/freedesktop/ModemManager1/Modem/0 [tarvo] sim-modem");
    const auto status = mmcli("-m 0");
    EXPECT_HAS(status.output, "state: registered");
    EXPECT_HAS(status.output, "own: +380670000001");

    const auto created =
        mmcli("-m 0 --messaging-create-sms=\"number='+380501234567',text='request'\"");
    EXPECT_HAS(created.output,
               "Successfully created new SMS: /org/freedesktop/ModemManager1/SMS/0");
    EXPECT_HAS(mmcli("-s 0 --send").output, "successfully sent the SMS");
    EXPECT_EQ(ctl("sent").output, "+380501234567\trequest\t-1\n");
    EXPECT_NE(mmcli("-s 0 --send").status, 0) << "a message is sent once";

    ASSERT_TRUE(waitForOutput("-m 0 --messaging-list-sms", "SMS/1 (received)"))
        << "the simulated tracker answers";
    const auto report = mmcli("-s 1").output;
    EXPECT_HAS(report, "number: +380501234567");
    EXPECT_HAS(report, "text: Lat:50.45012 Lon:30.52341");
    EXPECT_HAS(report, "state: received");
    EXPECT_HAS(report, "pdu type: deliver");

    EXPECT_HAS(mmcli("-m 0 --messaging-delete-sms=1").output, "successfully deleted SMS");
    EXPECT_EQ(mmcli("-m 0 --messaging-list-sms").output.find("SMS/1"), std::string::npos);
    EXPECT_NE(mmcli("-m 0 --messaging-delete-sms=1").status, 0) << "deleted once";
    EXPECT_NE(mmcli("-m 0 --messaging-create-sms=\"text='no number'\"").status, 0);
}

TEST_F(SimModemTest, LongMessagesArriveWholeAndStoredOnesComeBackWithTheModem) {
    const std::string text(200, 'x'); // two SMS
    EXPECT_EQ(ctl("deliver +123456789 " + text).status, 0);
    ASSERT_TRUE(waitForOutput("-s 0", "text: " + text)) << "assembled from its parts";
    EXPECT_EQ(ctl("unplug").status, 0);
    EXPECT_HAS(mmcli("-L").output, "No modems were found");
    EXPECT_NE(ctl("state 8").status, 0) << "no modem to set";
    EXPECT_EQ(ctl("plug").status, 0);
    EXPECT_HAS(mmcli("-L").output, "/org/freedesktop/ModemManager1/Modem/1");
    EXPECT_TRUE(waitForOutput("-m 1 --messaging-list-sms", "(received)"))
        << "the SIM's messages are announced again";

    stopModem();
    startModem();
    EXPECT_TRUE(waitForOutput("-m 0 --messaging-list-sms", "(received)"))
        << "and after a restart of the service";
    EXPECT_EQ(ctl("state 3").status, 0);
    EXPECT_HAS(mmcli("-m 0").output, "state: disabled");
}

TEST_F(SimModemTest, TheSimulatedTrackerFollowsItsTrack) {
    testsupport::WriteFile(dir.file("track"), "# a walk\n50.1 30.1\n\n50.2 30.3\n");
    stopModem();
    modem = std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{kBin + "/sim-modem", "--reply-delay", "0", "--track",
                                 dir.file("track"), "--tracker-number", "+15550001111"},
        std::vector<std::string>{}, dir.file("sim-modem.log"));
    ASSERT_TRUE(testsupport::WaitForBusName("org.freedesktop.ModemManager1", true, 10s));
    for (int i = 0; i < 3; ++i) {
        const auto created =
            mmcli("-m 0 --messaging-create-sms=\"number='5550001111',text='request'\"");
        const std::string path = created.output.substr(created.output.rfind('/') + 1);
        mmcli("-s " + path.substr(0, path.find_first_of("\n")) + " --send");
    }
    ASSERT_TRUE(waitForOutput("-s 5", "text:"));
    EXPECT_HAS(mmcli("-s 1").output, "text: Lat:50.10000 Lon:30.10000");
    EXPECT_HAS(mmcli("-s 3").output, "text: Lat:50.20000 Lon:30.30000");
    EXPECT_HAS(mmcli("-s 5").output, "text: Lat:50.10000 Lon:30.10000") << "and round again";
    EXPECT_HAS(mmcli("-s 5").output, "number: +15550001111");

    testsupport::WriteFile(dir.file("bad-track"), "50.1 thirty\n");
    const auto refused = RunCommand(kBin + "/sim-modem --track " + dir.file("bad-track"));
    EXPECT_EQ(refused.status, 2);
    EXPECT_HAS(refused.output, "bad-track:1: not a \"lat lon\" line");
}

// The record of the text provider as each handset build gives it.
std::vector<BYTE> ProviderRecord(DWORD size, PROVIDER_SPECIFIC_MESSAGE_CLASS messageClass) {
    std::vector<BYTE> record(size, 0);
    std::memcpy(record.data() + 4, &messageClass, 4);
    return record;
}

HRESULT Send(SMS_HANDLE sms, const std::u16string& number, const std::u16string& text,
             DWORD recordSize = kTextProviderDataSizeSmartphone) {
    SMS_ADDRESS to{};
    to.smsatAddressType = SMSAT_INTERNATIONAL;
    std::copy(number.begin(), number.end(), to.ptsAddress);
    const auto record = ProviderRecord(recordSize, PS_MESSAGE_CLASS1);
    SMS_MESSAGE_ID id = 0;
    return SmsSendMessage(sms, nullptr, &to, nullptr, reinterpret_cast<const BYTE*>(text.data()),
                          DWORD(text.size() * 2), record.data(), recordSize, SMSDE_OPTIMAL, 0, &id);
}

TEST_F(SimModemTest, TheSmsServiceSendsTheTextWithTheProvidersClass) {
    SMS_HANDLE sms = nullptr;
    HANDLE event = reinterpret_cast<HANDLE>(1);
    ASSERT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, &event), S_OK);
    EXPECT_EQ(event, nullptr);
    EXPECT_EQ(Send(sms, u"+380501234567", u"request"), S_OK);
    EXPECT_EQ(Send(sms, u"0501234567", u"\u041F\u0440\u0438\u0432\u0456\u0442",
                   kTextProviderDataSizePocketPc),
              S_OK);
    EXPECT_EQ(ctl("sent").output, "+380501234567\trequest\t1\n"
                                  "0501234567\t\u041F\u0440\u0438\u0432\u0456\u0442\t1\n");
    EXPECT_EQ(Send(sms, u"+1", u"x", 200), SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE);
    SMS_ADDRESS to{};
    EXPECT_EQ(SmsSendMessage(sms, nullptr, &to, nullptr, reinterpret_cast<const BYTE*>("abc"), 3,
                             ProviderRecord(688, PS_MESSAGE_CLASS1).data(), 688, SMSDE_OPTIMAL, 0,
                             nullptr),
              E_INVALIDARG)
        << "half a character";
    EXPECT_EQ(SmsClose(sms), S_OK);
    EXPECT_EQ(SmsClose(sms), E_INVALIDARG);
    EXPECT_EQ(Send(sms, u"+1", u"x"), E_INVALIDARG) << "a closed handle";

    SMS_HANDLE other = nullptr;
    EXPECT_EQ(SmsOpen(u"Another Protocol", SMS_MODE_SEND, &other, nullptr), SMS_E_INVALIDPROTOCOL);
    EXPECT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_RECEIVE, &other, nullptr), E_NOTIMPL);
    EXPECT_EQ(other, nullptr);
}

TEST_F(SimModemTest, TheSmsServiceFailsWithoutAnEnabledModemAndWhenSendingFails) {
    SMS_HANDLE sms = nullptr;
    ASSERT_EQ(ctl("state 3").status, 0);
    EXPECT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, nullptr), SMS_E_SERVICEUNAVAILABLE);
    ASSERT_EQ(ctl("state 8").status, 0);
    ASSERT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, nullptr), S_OK);
    ASSERT_EQ(ctl("fail-next-send").status, 0);
    {
        platform::testing::DebugOutputCapture debug;
        EXPECT_EQ(Send(sms, u"+380501234567", u"request"), SMS_E_SENDFAILED);
        EXPECT_NE(core::ToUtf8(debug.text()).find("Message.NoNetwork"), std::string::npos)
            << core::ToUtf8(debug.text());
    }
    EXPECT_EQ(Send(sms, u"", u"request"), SMS_E_SENDFAILED) << "no number, no message";
    EXPECT_EQ(Send(sms, u"+380501234567", u"request"), S_OK) << "the failure was for one send";
    ASSERT_EQ(ctl("unplug").status, 0);
    EXPECT_EQ(Send(sms, u"+380501234567", u"request"), SMS_E_SENDFAILED) << "the modem went";
    EXPECT_EQ(SmsClose(sms), S_OK);
    EXPECT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, nullptr), SMS_E_SERVICEUNAVAILABLE);
    stopModem();
    EXPECT_EQ(SmsOpen(SMS_MSGTYPE_TEXT, SMS_MODE_SEND, &sms, nullptr), SMS_E_SERVICEUNAVAILABLE)
        << "no ModemManager at all";
}

} // namespace
