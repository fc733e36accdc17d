#include "received_answer.h"

#include "core/answers_log.h"

#include <gtest/gtest.h>

namespace {

using core::LoggedAnswer;

// Whatever an answer holds (tabs, line breaks, backslashes, any script, no
// position, southern and western positions) comes back from its line.
TEST(AnswersLog, EveryAnswerComesBackFromItsLine) {
    const LoggedAnswer answers[] = {
        ReceivedAnswer(1765292321, "+380501234567", u"Lat:50.45012 Lon:30.52341"),
        ReceivedAnswer(0, "", u"POS: NO GPS DATA"),
        ReceivedAnswer(4102444799, "0501234567", u"Lat:-33.45012 Lon:-70.66341 LBS"),
        ReceivedAnswer(86400, "+1", u"tab\there\nline\r\\n \\ \u00e9\u4e2d\U0001F600"),
    };
    for (const LoggedAnswer& a : answers) {
        const std::string line = core::FormatAnswerLine(a);
        ASSERT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line: " << line;
        LoggedAnswer b;
        ASSERT_TRUE(core::ParseAnswerLine(std::string_view(line).substr(0, line.size() - 1), &b))
            << line;
        EXPECT_EQ(b.received, a.received);
        EXPECT_EQ(b.number, a.number);
        EXPECT_EQ(b.text, a.text);
        EXPECT_EQ(b.read.quality, a.read.quality) << line;
        EXPECT_NEAR(b.read.latitude, a.read.latitude, 1e-6);
        EXPECT_NEAR(b.read.longitude, a.read.longitude, 1e-6);
    }
    EXPECT_EQ(core::FormatAnswerLine(answers[0]),
              "2025-12-09T14:58:41Z\t+380501234567\tgps\t50.450120\t30.523410\t"
              "Lat:50.45012 Lon:30.52341\n");
    EXPECT_EQ(core::FormatAnswerLine(answers[1]),
              "1970-01-01T00:00:00Z\t\tnone\t\t\tPOS: NO GPS DATA\n");
}

// A log read back after a crash or by hand: damaged lines and a last line
// cut short are left out, every other answer is kept in order.
TEST(AnswersLog, DamagedLinesAndACutLastLineAreLeftOut) {
    const std::string good1 = "2026-12-09T10:00:00Z\t+1\tgps\t1.500000\t2.500000\tone\n";
    const std::string good2 = "2026-12-09T11:00:00Z\t\tnone\t\t\ttwo\n";
    const std::string damaged[] = {
        "2026-12-09 10:00:00\t+1\tgps\t1.5\t2.5\tbad time\n",
        "2026-13-09T10:00:00Z\t+1\tgps\t1.5\t2.5\tno month 13\n",
        "2026-12-09T10:00:00Z\t+1\tgood\t1.5\t2.5\tunknown quality\n",
        "2026-12-09T10:00:00Z\t+1\tnone\t1.5\t2.5\ta position without a fix\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t\t\ta fix without a position\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t91\t2.5\tbeyond the pole\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t1.5\tinf\tnot a number\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t1.5\t2.5\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t1.5\t2.5\ta\tsixth tab\n",
        "2026-12-09T10:00:00Z\t+1\tgps\t1.5\t2.5\ta bad escape \\q\n",
        "2026-12-09T10:00:00Z\tabc\tgps\t1.5\t2.5\tnot a number's digits\n",
        "0226-12-09T10:00:00Z\t+1\tnone\t\t\tbefore 1970\n",
        "9999-12-31T23:59:60Z\t+1\tnone\t\t\ta leap second into year 10000\n",
        "\n",
    };
    std::string log = good1;
    for (const std::string& line : damaged) {
        log += line;
    }
    log += good2 + "2026-12-09T12:00:00Z\t+1\tgps\t1.5\t2.5\tcut sh";
    const auto answers = core::ParseAnswersLog(log);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].text, u"one");
    EXPECT_EQ(answers[1].text, u"two");
    EXPECT_FALSE(answers[1].read.hasPosition());
}

TEST(AnswersLog, AgesInWords) {
    EXPECT_EQ(core::DescribeAge(0), u"under a minute");
    EXPECT_EQ(core::DescribeAge(59), u"under a minute");
    EXPECT_EQ(core::DescribeAge(60), u"1 min");
    EXPECT_EQ(core::DescribeAge(3599), u"59 min");
    EXPECT_EQ(core::DescribeAge(3600 + 5 * 60 + 7), u"1 h 5 min");
    EXPECT_EQ(core::DescribeAge(86400), u"1 day");
    EXPECT_EQ(core::DescribeAge(3 * 86400 + 5), u"3 days");
}

} // namespace
