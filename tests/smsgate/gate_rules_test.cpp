// The gate's rules: which messages are reports, and its memory of what it
// delivered.
#include "delivered_log.h"
#include "map_fixture.h"
#include "recognition.h"

#include "core/settings_record.h"

#include <gtest/gtest.h>

namespace {

TEST(GateRules, NumbersMatchWrittenWithOrWithoutPrefixes) {
    struct Row {
        const char* a;
        const char* b;
        bool same;
    };
    const Row rows[] = {
        {"+380501234567", "+380501234567", true},
        {"+380501234567", "0501234567", true},       // national, with its trunk 0
        {"+380501234567", "00380501234567", true},   // international access code
        {"+380501234567", "380501234567", true},     // a modem that drops the +
        {"+380501234567", "501234567", true},        // nine digits without a prefix
        {"+38 (050) 123-45-67", "0501234567", true}, // punctuation is ignored
        {"+33612345678", "0612345678", true},
        {"+4915123456789", "015123456789", true},
        {"+380501234567", "+380501234568", false},
        {"+380501234567", "4567", false},
        {"+380501234567", "1234567", false},  // the last seven digits are no number
        {"+380501234567", "01234567", false}, // nor with a 0 before them
        {"+380501234567", "+1234567", false}, // two international numbers differ
        {"0501234567", "01234567", false},    // two national numbers differ
        {"+501234567", "0501234567", false},  // a country code is no trunk prefix
        {"1234", "1234", true},               // equal is equal
        {"", "", false},
        {"TR101", "+380501234567", false}, // an alphanumeric sender
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SameNumber(r.a, r.b), r.same) << r.a << " ~ " << r.b;
        EXPECT_EQ(SameNumber(r.b, r.a), r.same) << r.b << " ~ " << r.a;
    }
}

TEST(GateRules, AReportComesFromARequestedOrTheSavedNumber) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    TrackerNumbers numbers;
    EXPECT_FALSE(numbers.isTracker("+380501234567", now));
    numbers.addRequest("0501234567", now.addSecs(-60));
    EXPECT_TRUE(numbers.isTracker("+380501234567", now));
    EXPECT_FALSE(numbers.isTracker("+380661111111", now));
    numbers.setSaved("+380661111111");
    EXPECT_TRUE(numbers.isTracker("0661111111", now));
    EXPECT_FALSE(numbers.isTracker("+380501234567", now.addDays(8))) << "a week-old request";
    for (int i = 0; i < 40; ++i) {
        numbers.addRequest(QString("+3806700000%1").arg(i, 2, 10, QChar('0')), now);
    }
    EXPECT_FALSE(numbers.isTracker("+380501234567", now)) << "only the newest requests count";
    EXPECT_TRUE(numbers.isTracker("+380670000039", now));

    EXPECT_TRUE(IsRequestText("request"));
    EXPECT_TRUE(IsRequestText(" Request\n"));
    EXPECT_FALSE(IsRequestText("requests"));
}

// A gate that restarts still knows whom it asked: the numbers live beside
// the delivered log, in a file of the user's own.
TEST(GateRules, TheRequestedNumbersSurviveARestart) {
    testsupport::TempDir dir;
    const QString log = QString::fromStdString(dir.file("state/smsgate-delivered"));
    const QString path = RequestedNumbersPath(log);
    EXPECT_EQ(path.toStdString(), dir.file("state/smsgate-requested"));
    EXPECT_EQ(RequestedNumbersPath(QString()), QString()) << "a log in memory: numbers too";
    const QDateTime now = QDateTime::currentDateTimeUtc();
    {
        TrackerNumbers numbers(path);
        numbers.addRequest("+380501234567", now.addDays(-2));
        numbers.addRequest("+380661111111", now.addDays(-9));
        EXPECT_EQ(numbers.saveError(), QString());
    }
    TrackerNumbers again(path);
    EXPECT_TRUE(again.isTracker("0501234567", now));
    EXPECT_FALSE(again.isTracker("+380661111111", now)) << "more than a week ago";
    EXPECT_FALSE(again.isTracker("+380670000000", now));
    testsupport::WriteFile(dir.file("state/smsgate-requested"), "garbage\n\tno time\n");
    EXPECT_FALSE(TrackerNumbers(path).isTracker("+380501234567", now)) << "damaged: empty";
}

TEST(GateRules, TheSavedNumberIsReadFromTheViewersSettings) {
    testsupport::TempDir dir;
    SettingsRecord record{};
    const std::u16string number = u"+380501234567";
    std::copy(number.begin(), number.end(), record.trackerNumber);
    const auto bytes = EncodeSettings(record);
    testsupport::WriteFile(dir.file("settings.dat"),
                           std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    EXPECT_EQ(SavedTrackerNumber(QString::fromStdString(dir.file("settings.dat"))),
              QString("+380501234567"));
    testsupport::WriteFile(dir.file("short.dat"), std::string(40, 'x'));
    EXPECT_EQ(SavedTrackerNumber(QString::fromStdString(dir.file("short.dat"))), QString());
    EXPECT_EQ(SavedTrackerNumber(QString::fromStdString(dir.file("missing.dat"))), QString());
}

// However many delivered reports the user keeps on the modem, none is
// forgotten while it is there: a restart would deliver it again.
TEST(GateRules, TheDeliveredLogForgetsOnlyMessagesThatLeftTheModems) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("delivered"));
    auto key = [](int i) { return DeliveredLog::KeyOf("+1", QString::number(i), "Lat:1 Lon:2"); };
    QSet<QString> onModem;
    {
        DeliveredLog log(path, 10);
        for (int i = 0; i < 15; ++i) {
            log.add(key(i), false); // kept in the inbox
            onModem.insert(key(i));
        }
        EXPECT_EQ(log.size(), 15);
    }
    DeliveredLog log(path, 10);
    for (int i = 0; i < 15; ++i) {
        EXPECT_TRUE(log.contains(key(i))) << i;
    }
    onModem.remove(key(0));
    onModem.remove(key(1));
    log.keepOnly(onModem); // the user deleted two in the phone's messaging app
    EXPECT_EQ(log.size(), 13) << "gone ones leave a log over its capacity";
    ASSERT_TRUE(log.flush());
    for (int i = 2; i < 15; ++i) {
        EXPECT_TRUE(DeliveredLog(path, 10).contains(key(i))) << i << " is still on the modem";
    }

    // A message seen again (its modem plugged in again) is kept again.
    DeliveredLog small(QString(), 1);
    small.add(key(0), false);
    small.keepOnly({});
    small.noteSeen(key(0));
    small.add(key(1), false);
    EXPECT_TRUE(small.contains(key(0)));
    small.keepOnly({key(1)});
    EXPECT_FALSE(small.contains(key(0)));
}

TEST(GateRules, TheDeliveredLogSurvivesARestartAndStaysBounded) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("state/delivered"));
    const QString a = DeliveredLog::KeyOf("+1", "2026-01-01T10:00:00+00:00", "Lat:1 Lon:2");
    const QString b = DeliveredLog::KeyOf("+1", "2026-01-01T10:05:00+00:00", "Lat:1 Lon:2");
    EXPECT_NE(a, b) << "the same text at another time is another message";
    {
        DeliveredLog log(path, 3);
        log.add(a, true);
        log.add(b, false);
        EXPECT_TRUE(log.wantsDeletion(a));
        log.markDeleted(a);
    }
    DeliveredLog reopened(path, 3);
    EXPECT_TRUE(reopened.contains(a));
    EXPECT_TRUE(reopened.contains(b));
    EXPECT_FALSE(reopened.wantsDeletion(a)) << "deleted already";
    for (int i = 0; i < 3; ++i) {
        reopened.add(DeliveredLog::KeyOf("+1", QString::number(i), "x"), false);
    }
    EXPECT_FALSE(reopened.contains(a)) << "the oldest entry of a deleted message goes first";
    EXPECT_TRUE(reopened.contains(b)) << "one still on the modem stays";
    reopened.flush();
    EXPECT_TRUE(DeliveredLog(path, 3).contains(DeliveredLog::KeyOf("+1", "2", "x")));
    reopened.keepOnly({});
    reopened.add(DeliveredLog::KeyOf("+1", "3", "x"), false);
    reopened.flush();
    EXPECT_FALSE(DeliveredLog(path, 3).contains(b)) << "bounded once the messages have gone";
    testsupport::WriteFile(dir.file("state/delivered"), "garbage\nmore garbage\n");
    EXPECT_FALSE(DeliveredLog(path, 3).contains(a)) << "a damaged log is an empty one";
}

} // namespace
