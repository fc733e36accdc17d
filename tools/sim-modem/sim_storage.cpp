#include "sim_storage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

SimStorage::SimStorage(const QString& path) : path_(path) {
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return;
    }
    for (const QJsonValue& v : QJsonDocument::fromJson(file.readAll()).array()) {
        const QJsonObject o = v.toObject();
        messages_.append(SmsContent{o["number"].toString(), o["text"].toString(), -1,
                                    o["timestamp"].toString()});
    }
}

void SimStorage::add(const SmsContent& content) {
    messages_.append(content);
    save();
}

void SimStorage::remove(const SmsContent& content) {
    for (qsizetype i = 0; i < messages_.size(); ++i) {
        const SmsContent& m = messages_[i];
        if (m.number == content.number && m.text == content.text &&
            m.timestamp == content.timestamp) {
            messages_.removeAt(i);
            save();
            return;
        }
    }
}

void SimStorage::save() const {
    if (path_.isEmpty()) {
        return;
    }
    QJsonArray array;
    for (const SmsContent& m : messages_) {
        array.append(
            QJsonObject{{"number", m.number}, {"text", m.text}, {"timestamp", m.timestamp}});
    }
    QSaveFile file(path_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(array).toJson());
        file.commit();
    }
}
