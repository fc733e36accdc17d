#include "recognition.h"

#include "coords/settings_record.h"
#include "tracker/report_parser.h"

#include <QFile>

namespace {

constexpr int kMinimumSubscriberDigits = 7;
constexpr int kRequestsKept = 32;
constexpr qint64 kRequestLifetimeSeconds = 7 * 24 * 3600;

QString digitsOf(const QString& number) {
    QString digits;
    for (QChar c : number) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    return digits;
}

} // namespace

bool SameNumber(const QString& a, const QString& b) {
    const QString x = digitsOf(a), y = digitsOf(b);
    if (x.isEmpty() || y.isEmpty()) {
        return false;
    }
    if (x == y) {
        return true;
    }
    const QString& shorter = x.size() < y.size() ? x : y;
    const QString& longer = x.size() < y.size() ? y : x;
    if (shorter.size() < kMinimumSubscriberDigits) {
        return false;
    }
    // A trunk prefix (the leading 0 of a national number) is dropped too.
    QString subscriber = shorter;
    while (subscriber.startsWith(u'0') && subscriber.size() > kMinimumSubscriberDigits) {
        subscriber.remove(0, 1);
    }
    return longer.endsWith(shorter) || longer.endsWith(subscriber);
}

bool IsRequestText(const QString& text) {
    return text.trimmed().compare("request", Qt::CaseInsensitive) == 0;
}

bool HoldsTwoNumbers(const QString& text) {
    return CountNumberTokens(reinterpret_cast<const WCHAR*>(text.utf16()), int(text.size())) >= 2;
}

void TrackerNumbers::addRequest(const QString& number, const QDateTime& when) {
    requests_.append({number, when});
    while (requests_.size() > kRequestsKept) {
        requests_.removeFirst();
    }
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
