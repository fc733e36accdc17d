#include "sim_tracker.h"

#include "core/tracker_protocol.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>

QString DigitsOf(const QString& number) {
    QString digits;
    for (QChar c : number) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    return digits;
}

SimTracker::SimTracker(const QString& number, double latitude, double longitude, int delayMs)
    : number_(number), track_{QPointF(latitude, longitude)}, delayMs_(delayMs) {}

bool SimTracker::loadTrack(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = path + ": " + file.errorString();
        return false;
    }
    QList<QPointF> track;
    QTextStream in(&file);
    for (int line = 1; !in.atEnd(); ++line) {
        const QString text = in.readLine().trimmed();
        if (text.isEmpty() || text.startsWith('#')) {
            continue;
        }
        const QStringList parts = text.split(QChar(' '), Qt::SkipEmptyParts);
        bool latOk = false, lonOk = false;
        const double lat = parts.size() == 2 ? parts[0].toDouble(&latOk) : 0;
        const double lon = parts.size() == 2 ? parts[1].toDouble(&lonOk) : 0;
        if (!latOk || !lonOk) {
            *error = QString("%1:%2: not a \"lat lon\" line").arg(path).arg(line);
            return false;
        }
        track.append(QPointF(lat, lon));
    }
    if (track.isEmpty()) {
        *error = path + ": no position";
        return false;
    }
    track_ = track;
    next_ = 0;
    return true;
}

bool SimTracker::isRequest(const QString& number, const QString& text) const {
    const QString to = DigitsOf(number), mine = DigitsOf(number_);
    // Equal digits, or one ends with the other (a country prefix written or
    // not) as long as that is a whole subscriber number.
    const bool same = to == mine || (std::min(to.size(), mine.size()) >= 6 &&
                                     (mine.endsWith(to) || to.endsWith(mine)));
    return !to.isEmpty() && same &&
           text.trimmed().compare(QString::fromUtf16(kRequestText), Qt::CaseInsensitive) == 0;
}

QString SimTracker::nextReport() {
    const QPointF p = track_[next_];
    next_ = (next_ + 1) % track_.size();
    return QString("Lat:%1 Lon:%2").arg(p.x(), 0, 'f', 5).arg(p.y(), 0, 'f', 5);
}
