// The stand-in ModemManager on a bus: the manager object with its object
// manager, at most one modem, the simulated tracker, and the control object
// through which tests and the demo steer it.
#pragma once

#include "sim_storage.h"
#include "sim_tracker.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

class SimModem;
class ObjectManagerAdaptor;

struct SimOptions {
    QString ownNumber = "+380670000001";
    int modemState = 8; // registered
    QString storagePath;
};

class SimService : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    SimService(const QDBusConnection& bus, const SimOptions& options, SimTracker tracker);
    ~SimService() override;
    // Claims the service name and puts the objects on the bus; false with
    // the reason in `error` when the bus refuses.
    bool start(QString* error);

    QDBusConnection& bus() { return bus_; }
    SimStorage& storage() { return storage_; }
    const QString& ownNumber() const { return options_.ownNumber; }
    QString nextSmsPath();
    void recordSent(const SmsContent& content);
    QString takeSendFailure();

    // What the control object does.
    QString deliver(const QString& from, const QString& text);
    void failNextSend(const QString& errorName);
    bool setState(int state);
    void unplug();
    void plug();
    QStringList sent() const;
    // Plays the phone's messaging app: each received message is deleted
    // this many milliseconds after it is whole; negative: never.
    void setCompetitor(int delayMs) { competitorDelayMs_ = delayMs; }
    int competitorDelayMs() const { return competitorDelayMs_; }

public Q_SLOTS:
    // org.freedesktop.ModemManager1
    void ScanDevices() {}
    void SetLogging(const QString&) {}
    void ReportKernelEvent(const QVariantMap&);
    void InhibitDevice(const QString&, bool);

private:
    MmManagedObjects managedObjects() const;

    QDBusConnection bus_;
    SimOptions options_;
    SimTracker tracker_;
    SimStorage storage_;
    ObjectManagerAdaptor* objectManager_ = nullptr;
    SimModem* modem_ = nullptr;
    int nextModem_ = 0;
    int nextSms_ = 0;
    QString sendFailure_;
    QStringList sent_;
    int competitorDelayMs_ = -1;
};
