// The stand-in's one modem, at /org/freedesktop/ModemManager1/Modem/N: the
// Modem interface (state and properties; its other methods are not
// supported) and Messaging, which creates, lists and deletes SMS objects.
#pragma once

#include "sim_sms.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <vector>

class SimService;
class MmMessagingAdaptor;
class MmModemAdaptor;

class SimModem : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    SimModem(SimService* service, int index, int state);
    ~SimModem() override;

    QString path() const { return path_; }
    // Announces the messages on the SIM, as a modem that has just appeared.
    void announceStored();
    QDBusConnection& bus();
    // Its interfaces and their properties, as the object manager lists them.
    MmInterfaces interfaces() const;
    bool enabled() const;
    void setState(int state);
    // A message arriving from the network; returns its object path.
    QString receive(const SmsContent& content);
    // Called by an SMS object once it has been sent.
    void sent(const SimSms& sms);
    QString takeSendFailure();

public Q_SLOTS:
    // org.freedesktop.ModemManager1.Modem.Messaging
    QList<QDBusObjectPath> List();
    void Delete(const QDBusObjectPath& path);
    QDBusObjectPath Create(const QVariantMap& properties);

    // org.freedesktop.ModemManager1.Modem
    void Enable(bool enable);
    QString Command(const QString& cmd, uint timeout);
    QDBusObjectPath CreateBearer(const QVariantMap& properties);
    void DeleteBearer(const QDBusObjectPath& bearer);
    void FactoryReset(const QString& code);
    MmVariantMapList GetCellInfo();
    QList<QDBusObjectPath> ListBearers();
    void Reset();
    void SetCurrentBands(MmUintList bands);
    void SetCurrentCapabilities(uint capabilities);
    void SetCurrentModes(MmUintPair modes);
    void SetPowerState(uint state);
    void SetPrimarySimSlot(uint slot);

private:
    bool refuse(const QString& error, const QString& text);
    bool checkEnabled();
    bool checkCreateProperties(const QVariantMap& properties);
    SimSms* addSms(const SmsContent& content, bool received);
    void announce(SimSms* sms, bool received);
    void completed(const QString& path);
    void remove(SimSms* sms);
    void publishMessages();
    void unsupported();
    QList<QDBusObjectPath> messagePaths() const;
    SimSms* find(const QString& path) const;
    QVariantMap modemProperties() const;
    QVariantMap messagingProperties() const;

    SimService* service_;
    QString path_;
    MmModemAdaptor* modemAdaptor_;
    MmMessagingAdaptor* messagingAdaptor_;
    std::vector<SimSms*> messages_; // in the order they came
};
