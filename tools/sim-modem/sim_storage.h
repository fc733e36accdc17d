// The simulated SIM: received messages kept in a file across restarts of
// the stand-in, as a SIM keeps them across restarts of ModemManager.
#pragma once

#include "sim_sms.h"

#include <QList>
#include <QString>

class SimStorage {
public:
    // An empty path keeps messages in memory only.
    explicit SimStorage(const QString& path);
    const QList<SmsContent>& messages() const { return messages_; }
    void add(const SmsContent& content);
    void remove(const SmsContent& content);

private:
    void save() const;

    QString path_;
    QList<SmsContent> messages_;
};
