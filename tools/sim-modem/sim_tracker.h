// The simulated TR-101: answers the text "request" sent to its number with
// its position after a delay, from a fixed point or along a track.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>

class SimTracker {
public:
    SimTracker(const QString& number, double latitude, double longitude, int delayMs);
    // Reads "lat lon" lines (blank lines and '#' comments skipped); false
    // with the reason in `error` when the file gives no position.
    bool loadTrack(const QString& path, QString* error);

    const QString& number() const { return number_; }
    int delayMs() const { return delayMs_; }
    // Whether a message to this number with this text asks for a report.
    bool isRequest(const QString& number, const QString& text) const;
    // The report for the next request, in the tracker's style:
    // "Lat:50.45012 Lon:30.52341".
    QString nextReport();

private:
    QString number_;
    QList<QPointF> track_; // x latitude, y longitude
    qsizetype next_ = 0;
    int delayMs_;
};

// The digits of a phone number, for comparing numbers written differently.
QString DigitsOf(const QString& number);
