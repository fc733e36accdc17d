// The messages the gate has delivered, kept across restarts: ModemManager
// announces stored messages again when it or the modem restarts, and none
// may reach the viewer twice. Bounded to the newest entries.
#pragma once

#include <QList>
#include <QString>

class DeliveredLog {
public:
    // An empty path keeps the log in memory only.
    explicit DeliveredLog(const QString& path, int capacity = 1000);
    static QString KeyOf(const QString& number, const QString& timestamp, const QString& text);

    bool contains(const QString& key) const;
    // Whether the message was to leave the modem once delivered.
    bool wantsDeletion(const QString& key) const;
    void add(const QString& key, bool deleteIt);
    // Notes that a delivered message has left the modem.
    void markDeleted(const QString& key);

private:
    struct Entry {
        QString key;
        bool deleteIt;
    };
    const Entry* find(const QString& key) const;
    void save() const;

    QString path_;
    int capacity_;
    QList<Entry> entries_;
};
