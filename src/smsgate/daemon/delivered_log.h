// The messages the gate has delivered, kept across restarts: ModemManager
// announces stored messages again when it or the modem restarts, and none
// may reach the viewer twice. A message still on a modem keeps its entry
// however many there are; of the messages gone from the modems, the newest
// are kept up to the capacity.
#pragma once

#include <QList>
#include <QSet>
#include <QString>

class DeliveredLog {
public:
    // An empty path keeps the log in memory only. Changes reach the file with
    // flush(), and when the log goes.
    explicit DeliveredLog(const QString& path, int capacity = 1000);
    ~DeliveredLog();
    DeliveredLog(const DeliveredLog&) = delete;
    DeliveredLog& operator=(const DeliveredLog&) = delete;
    static QString KeyOf(const QString& number, const QString& timestamp, const QString& text);

    bool contains(const QString& key) const;
    // The message is on a modem (again): its entry is kept.
    void noteSeen(const QString& key);
    // Whether the message was to leave the modem once delivered.
    bool wantsDeletion(const QString& key) const;
    void add(const QString& key, bool deleteIt);
    // Notes that a delivered message has left the modem.
    void markDeleted(const QString& key);
    // After a complete look at every modem: the delivered messages not among
    // `present` have left them.
    void keepOnly(const QSet<QString>& present);

    int size() const { return int(entries_.size()); }
    // Writes the changes since the last flush, if any; false when they could
    // not be written (saveError() says why).
    bool flush();
    const QString& saveError() const { return saveError_; }

private:
    enum class State { Delete, Keep, Gone };
    struct Entry {
        QString key;
        State state;
    };
    Entry* find(const QString& key);
    const Entry* find(const QString& key) const;
    void trim();

    QString path_;
    int capacity_;
    QList<Entry> entries_;
    bool changed_ = false;
    QString saveError_;
};
