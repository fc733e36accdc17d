// The gate: watches ModemManager for messages, recognises tracker reports,
// has the courier deliver them to the viewer, and deletes the delivered ones
// from the modem while the viewer's inbox signal asks for it. It acts only
// while the rule component is registered.
#pragma once

#include "courier.h"
#include "delivered_log.h"
#include "mm_messaging_proxy.h"
#include "mm_types.h"
#include "recognition.h"
#include "registration_watch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <map>
#include <memory>

struct GateOptions {
    QString settingsPath;     // the viewer's settings.dat, for its tracker number
    QString deliveredLogPath; // empty: in memory; the requested numbers are kept beside it
};

// What the gate knows of one SMS object.
struct SmsInfo {
    QString path;
    QString modemPath;
    uint state = 0;
    uint pduType = 0;
    QString number;
    QString text;
    QString timestamp;
};

class Gate : public QObject {
    Q_OBJECT

public:
    Gate(const QDBusConnection& bus, const GateOptions& options);
    void start();
    // Writes what the delivered log learnt since its last write.
    void flush();

private Q_SLOTS:
    void onAdded(const QDBusMessage& message);
    void onPropertiesChanged(const QDBusMessage& message);
    void onInterfacesAdded(const QDBusMessage& message);

private:
    // A complete look at every modem's messages, which tells the delivered
    // log what has left the modems. Calls of an older sweep do not count.
    struct Sweep {
        int generation = 0;
        int pending = 0;
        bool complete = true;
        QSet<QString> present; // keys of delivered messages seen on a modem
    };

    void checkRegistration();
    void scanModems();
    void listMessages(const QString& modemPath, int sweep = 0);
    void inspect(const QString& smsPath, const QString& modemPath, int sweep = 0);
    void sweepStep(int generation, bool ok);
    void consider(const SmsInfo& sms);
    void considerSent(const SmsInfo& sms);
    void considerReceived(const SmsInfo& sms);
    void deleteMessage(const QString& smsPath, const QString& modemPath, const QString& key);
    MmMessagingProxy& messaging(const QString& modemPath);
    void onDelivered(const Report& report, bool deleteIt);
    void scheduleFlush();

    QDBusConnection bus_;
    GateOptions options_;
    bool active_ = false;
    RegistrationWatch registration_;
    QTimer flushTimer_;
    TrackerNumbers numbers_;
    DeliveredLog log_;
    Sweep sweep_;
    QString lastLogError_;
    QSet<QString> inFlight_;                // keys handed to the courier
    std::map<QString, QString> waitingFor_; // SMS path -> modem path, until whole or sent
    std::map<QString, std::unique_ptr<MmMessagingProxy>> messaging_; // by modem path
    Courier courier_;
};
