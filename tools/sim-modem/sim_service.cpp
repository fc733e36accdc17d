#include "sim_service.h"

#include "control.h"
#include "mm_manager_adaptor.h"
#include "object_manager.h"
#include "sim_modem.h"

#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QTimer>

SimService::SimService(const QDBusConnection& bus, const SimOptions& options, SimTracker tracker)
    : bus_(bus), options_(options), tracker_(std::move(tracker)), storage_(options.storagePath) {
    RegisterMmTypes();
    new MmManagerAdaptor(this);
    setProperty("Version", QString("1.20.4"));
    objectManager_ = new ObjectManagerAdaptor(this, [this] { return managedObjects(); });
}

SimService::~SimService() {
    delete modem_;
}

bool SimService::start(QString* error) {
    if (!bus_.isConnected()) {
        *error = "cannot connect to the bus: " + bus_.lastError().message();
        return false;
    }
    if (!bus_.registerObject(mm::kManagerPath, this, QDBusConnection::ExportAdaptors) ||
        !bus_.registerObject(kControlPath, new SimControl(this),
                             QDBusConnection::ExportScriptableSlots)) {
        *error = "cannot register the objects: " + bus_.lastError().message();
        return false;
    }
    plug();
    // Claimed last, so a client that sees the name finds the modem there.
    if (!bus_.registerService(mm::kService)) {
        *error = QString("cannot own %1 (is ModemManager running?): %2")
                     .arg(mm::kService, bus_.lastError().message());
        return false;
    }
    return true;
}

MmManagedObjects SimService::managedObjects() const {
    MmManagedObjects objects;
    if (modem_ != nullptr) {
        objects[QDBusObjectPath(modem_->path())] = modem_->interfaces();
    }
    return objects;
}

QString SimService::nextSmsPath() {
    return QString("%1/SMS/%2").arg(mm::kManagerPath).arg(nextSms_++);
}

void SimService::recordSent(const SmsContent& content) {
    sent_.append(QString("%1\t%2\t%3").arg(content.number, content.text).arg(content.messageClass));
    if (tracker_.isRequest(content.number, content.text)) {
        QTimer::singleShot(tracker_.delayMs(), this,
                           [this] { deliver(tracker_.number(), tracker_.nextReport()); });
    }
}

QString SimService::takeSendFailure() {
    return std::exchange(sendFailure_, QString());
}

QString SimService::deliver(const QString& from, const QString& text) {
    // A message for an absent modem waits on the SIM for the next plug.
    const QDateTime now = QDateTime::currentDateTime();
    SmsContent content{from, text, -1,
                       now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate)};
    storage_.add(content);
    return modem_ != nullptr ? modem_->receive(content) : QString();
}

void SimService::failNextSend(const QString& errorName) {
    sendFailure_ =
        errorName.isEmpty() ? QString(mm::kErrorPrefix) + "Message.NoNetwork" : errorName;
}

bool SimService::setState(int state) {
    if (modem_ == nullptr) {
        return false;
    }
    modem_->setState(state);
    return true;
}

void SimService::unplug() {
    if (modem_ == nullptr) {
        return;
    }
    const QDBusObjectPath path(modem_->path());
    delete modem_;
    modem_ = nullptr;
    emit objectManager_->InterfacesRemoved(path, {mm::kModemInterface, mm::kMessagingInterface});
}

// A plugged modem gets a new number, as ModemManager gives one at every
// probe, and announces the messages on its SIM again.
void SimService::plug() {
    if (modem_ != nullptr) {
        return;
    }
    modem_ = new SimModem(this, nextModem_++, options_.modemState);
    emit objectManager_->InterfacesAdded(QDBusObjectPath(modem_->path()), modem_->interfaces());
    modem_->announceStored();
}

QStringList SimService::sent() const {
    return sent_;
}

void SimService::ReportKernelEvent(const QVariantMap&) {
    sendErrorReply(QString(mm::kErrorPrefix) + "Core.Unsupported", "Not supported by the stand-in");
}

void SimService::InhibitDevice(const QString&, bool) {
    sendErrorReply(QString(mm::kErrorPrefix) + "Core.Unsupported", "Not supported by the stand-in");
}
