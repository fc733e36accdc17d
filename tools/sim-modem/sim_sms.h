// One SMS object of the stand-in, at /org/freedesktop/ModemManager1/SMS/N,
// with the Sms interface's methods and properties.
#pragma once

#include "mm_types.h"

#include <QDBusContext>
#include <QObject>

class SimModem;

struct SmsContent {
    QString number;
    QString text;
    int messageClass = -1;
    QString timestamp; // ISO 8601, received messages only
};

class SimSms : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    // A message to send (PduType SUBMIT, State UNKNOWN) or a received one
    // (DELIVER, RECEIVED; RECEIVING first when it arrives in parts).
    SimSms(SimModem* modem, const QString& path, const SmsContent& content, bool received);
    const QString& path() const { return path_; }
    const SmsContent& content() const { return content_; }
    bool received() const { return received_; }
    // Sets properties and tells the bus.
    void update(const QVariantMap& changed);

public Q_SLOTS:
    void Send();
    void Store(uint storage);

private:
    SimModem* modem_;
    QString path_;
    SmsContent content_;
    bool received_;
};
