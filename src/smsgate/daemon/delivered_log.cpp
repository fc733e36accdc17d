#include "delivered_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// One line per message: its key, a space, and "delete" or "keep".
DeliveredLog::DeliveredLog(const QString& path, int capacity) : path_(path), capacity_(capacity) {
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() == 2 && fields[0].size() == 64) {
            entries_.append({QString::fromLatin1(fields[0]), fields[1] == "delete"});
        }
    }
    while (entries_.size() > capacity_) {
        entries_.removeFirst();
    }
}

QString DeliveredLog::KeyOf(const QString& number, const QString& timestamp, const QString& text) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& part : {number, timestamp, text}) {
        hash.addData(part.toUtf8());
        hash.addData(QByteArrayView("\0", 1));
    }
    return QString::fromLatin1(hash.result().toHex());
}

const DeliveredLog::Entry* DeliveredLog::find(const QString& key) const {
    for (const Entry& e : entries_) {
        if (e.key == key) {
            return &e;
        }
    }
    return nullptr;
}

bool DeliveredLog::contains(const QString& key) const {
    return find(key) != nullptr;
}

bool DeliveredLog::wantsDeletion(const QString& key) const {
    const Entry* e = find(key);
    return e != nullptr && e->deleteIt;
}

void DeliveredLog::add(const QString& key, bool deleteIt) {
    if (contains(key)) {
        return;
    }
    entries_.append({key, deleteIt});
    while (entries_.size() > capacity_) {
        entries_.removeFirst();
    }
    save();
}

void DeliveredLog::markDeleted(const QString& key) {
    for (Entry& e : entries_) {
        if (e.key == key && e.deleteIt) {
            e.deleteIt = false;
            save();
        }
    }
}

void DeliveredLog::save() const {
    if (path_.isEmpty()) {
        return;
    }
    QDir().mkpath(QFileInfo(path_).path());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return;
    }
    for (const Entry& e : entries_) {
        file.write((e.key + (e.deleteIt ? " delete\n" : " keep\n")).toLatin1());
    }
    file.commit();
}
