#include "recognition.h"

#include "core/report_reader.h"
#include "core/settings_record.h"
#include "core/tracker_protocol.h"

#include "platform/system/private_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A shorter number written without any prefix counts as the same as a longer
// one only when this many of its digits match: a whole national number in
// most countries, and more than a subscriber number alone.
constexpr int kMinimumSuffixDigits = 9;
// No national number is shorter.
constexpr int kMinimumNationalDigits = 6;
constexpr int kRequestsKept = 32;
constexpr qint64 kRequestLifetimeSeconds = 7 * 24 * 3600;

// A number as written: its digits without a leading "+", "00" or trunk "0",
// and which of those it had.
struct WrittenNumber {
    enum Form { International, National, Bare };
    QString digits;
    Form form = Bare;
};

WrittenNumber parseNumber(const QString& text) {
    WrittenNumber n;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            n.digits += c;
        }
    }
    if (text.trimmed().startsWith(u'+')) {
        n.form = WrittenNumber::International;
    } else if (n.digits.startsWith(u"00")) {
        n.form = WrittenNumber::International;
        n.digits.remove(0, 2);
    } else if (n.digits.startsWith(u'0')) {
        n.form = WrittenNumber::National;
        n.digits.remove(0, 1);
    }
    return n;
}

} // namespace

bool SameNumber(const QString& a, const QString& b) {
    const WrittenNumber x = parseNumber(a), y = parseNumber(b);
    if (x.digits.isEmpty() || y.digits.isEmpty()) {
        return false;
    }
    if (x.digits.size() == y.digits.size()) {
        return x.digits == y.digits &&
               (x.form == y.form || x.form == WrittenNumber::Bare || y.form == WrittenNumber::Bare);
    }
    const WrittenNumber& shorter = x.digits.size() < y.digits.size() ? x : y;
    const WrittenNumber& longer = x.digits.size() < y.digits.size() ? y : x;
    // Two international numbers are the same only when they are equal.
    if (shorter.form == WrittenNumber::International || !longer.digits.endsWith(shorter.digits)) {
        return false;
    }
    if (shorter.form == WrittenNumber::Bare) {
        return shorter.digits.size() >= kMinimumSuffixDigits;
    }
    // A national number is the international one less its country code (one
    // to three digits).
    const qsizetype countryCode = longer.digits.size() - shorter.digits.size();
    return longer.form != WrittenNumber::National && countryCode <= 3 &&
           shorter.digits.size() >= kMinimumNationalDigits;
}

bool IsRequestText(const QString& text) {
    return text.trimmed().compare(QString::fromUtf16(kRequestText), Qt::CaseInsensitive) == 0;
}

QString RequestedNumbersPath(const QString& deliveredLogPath) {
    if (deliveredLogPath.isEmpty()) {
        return {};
    }
    return QFileInfo(deliveredLogPath).dir().filePath("smsgate-requested");
}

TrackerNumbers::TrackerNumbers(const QString& path) : path_(path) {
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        const QDateTime when =
            fields.size() == 2 ? QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODate)
                               : QDateTime();
        if (when.isValid() && !fields[1].isEmpty()) {
            requests_.append({QString::fromUtf8(fields[1]), when});
        }
    }
    while (requests_.size() > kRequestsKept) {
        requests_.removeFirst();
    }
}

void TrackerNumbers::addRequest(const QString& number, const QDateTime& when) {
    requests_.append({number, when});
    while (requests_.size() > kRequestsKept) {
        requests_.removeFirst();
    }
    save();
}

void TrackerNumbers::save() {
    if (path_.isEmpty()) {
        return;
    }
    QByteArray text;
    for (const Request& r : requests_) {
        text += r.when.toUTC().toString(Qt::ISODate).toLatin1() + '\t' + r.number.toUtf8() + '\n';
    }
    const std::string path = path_.toStdString();
    std::string reason;
    const bool saved = platform::SavePrivateFile(
        path, std::string_view(text.constData(), std::size_t(text.size())), 0600, &reason);
    saveError_ = saved ? QString() : QString::fromStdString(reason);
}

bool TrackerNumbers::isTracker(const QString& sender, const QDateTime& now) const {
    if (!saved_.isEmpty() && SameNumber(sender, saved_)) {
        return true;
    }
    for (const Request& r : requests_) {
        if (r.when.secsTo(now) <= kRequestLifetimeSeconds && SameNumber(sender, r.number)) {
            return true;
        }
    }
    return false;
}

QString SavedTrackerNumber(const QString& settingsPath) {
    QFile file(settingsPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(kSettingsSize);
    SettingsRecord record{};
    DecodeSettings(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                   std::size_t(bytes.size()), &record);
    return QString::fromUtf16(record.trackerNumber);
}
