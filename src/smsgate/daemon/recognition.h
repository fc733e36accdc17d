// Which received messages are tracker reports: the sender is a number this
// modem recently sent "request" to, or the viewer's saved tracker number
// (digits compared, a country or trunk prefix written or not). What the
// text says, position or not, is the viewer's to read.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Whether two phone numbers are the same: equal digits, or the digits of one
// end with the whole national number of the other, as "+380501234567",
// "00380501234567", "0501234567" (after its trunk 0) and "501234567" (no
// prefix: at least 9 digits). "1234567" is not "+380501234567".
bool SameNumber(const QString& a, const QString& b);

bool IsRequestText(const QString& text);

// Where the requested numbers are kept: beside the delivered log (empty when
// it is kept in memory).
QString RequestedNumbersPath(const QString& deliveredLogPath);

class TrackerNumbers {
public:
    // Keeps the requested numbers in the file at `path` across restarts (one
    // line each: the time in ISO 8601, a tab, the number); empty: in memory.
    explicit TrackerNumbers(const QString& path = QString());
    // The numbers "request" went to lately (the newest 32, at most a week old).
    void addRequest(const QString& number, const QDateTime& when);
    // Why the file could not be written last, or empty.
    const QString& saveError() const { return saveError_; }
    // The viewer's saved number; empty when it has none.
    void setSaved(const QString& number) { saved_ = number; }
    bool isTracker(const QString& sender, const QDateTime& now) const;

private:
    struct Request {
        QString number;
        QDateTime when;
    };
    void save();

    QString path_;
    QList<Request> requests_;
    QString saved_;
    QString saveError_;
};

// The tracker number in the viewer's settings.dat, or empty.
QString SavedTrackerNumber(const QString& settingsPath);
