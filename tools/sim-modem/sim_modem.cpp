#include "sim_modem.h"

#include "mm_messaging_adaptor.h"
#include "mm_modem_adaptor.h"
#include "sim_service.h"

#include <QDBusMessage>
#include <QDateTime>
#include <QTimer>
#include <algorithm>

namespace {

QString error(const char* name) {
    return QString(mm::kErrorPrefix) + name;
}

// How many SMS a text takes: 160 GSM characters in one, 153 a part in
// several; 70 and 67 when it needs UCS-2.
int partsOf(const QString& text) {
    bool gsm = true;
    for (QChar c : text) {
        gsm = gsm && c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'`';
    }
    const int single = gsm ? 160 : 70, part = gsm ? 153 : 67;
    return text.size() <= single ? 1 : int((text.size() + part - 1) / part);
}

} // namespace

SimModem::SimModem(SimService* service, int index, int state)
    : QObject(service), service_(service),
      path_(QString("%1/Modem/%2").arg(mm::kManagerPath).arg(index)) {
    modemAdaptor_ = new MmModemAdaptor(this);
    messagingAdaptor_ = new MmMessagingAdaptor(this);
    setProperty("State", state);
    const QVariantMap modem = modemProperties();
    for (auto it = modem.begin(); it != modem.end(); ++it) {
        setProperty(it.key().toUtf8().constData(), it.value());
    }
    const QVariantMap messaging = messagingProperties();
    for (auto it = messaging.begin(); it != messaging.end(); ++it) {
        setProperty(it.key().toUtf8().constData(), it.value());
    }
    bus().registerObject(path_, this, QDBusConnection::ExportAdaptors);
}

void SimModem::announceStored() {
    for (const SmsContent& stored : service_->storage().messages()) {
        announce(addSms(stored, true), true);
    }
}

SimModem::~SimModem() {
    for (SimSms* sms : messages_) {
        bus().unregisterObject(sms->path());
    }
    bus().unregisterObject(path_);
}

QDBusConnection& SimModem::bus() {
    return service_->bus();
}

QVariantMap SimModem::modemProperties() const {
    return {
        {"Sim", QVariant::fromValue(QDBusObjectPath(QString(mm::kManagerPath) + "/SIM/0"))},
        {"SimSlots", QVariant::fromValue(QList<QDBusObjectPath>())},
        {"PrimarySimSlot", uint(0)},
        {"Bearers", QVariant::fromValue(QList<QDBusObjectPath>())},
        {"SupportedCapabilities", QVariant::fromValue(MmUintList{4})},
        {"CurrentCapabilities", uint(4)}, // GSM/UMTS
        {"MaxBearers", uint(1)},
        {"MaxActiveBearers", uint(1)},
        {"MaxActiveMultiplexedBearers", uint(0)},
        {"Manufacturer", QString("tarvo")},
        {"Model", QString("sim-modem")},
        {"Revision", QString("1.0")},
        {"CarrierConfiguration", QString()},
        {"CarrierConfigurationRevision", QString()},
        {"HardwareRevision", QString("1")},
        {"DeviceIdentifier", QString("sim-modem-0")},
        {"Device", QString("/sys/devices/virtual/sim-modem")},
        {"Drivers", QStringList{"sim"}},
        {"Plugin", QString("sim-modem")},
        {"PrimaryPort", QString("sim0")},
        {"Ports", QVariant::fromValue(MmPortList{{"sim0", 3}})}, // an AT port
        {"EquipmentIdentifier", QString("350000000000000")},
        {"UnlockRequired", uint(1)}, // none
        {"UnlockRetries", QVariant::fromValue(MmUintMap())},
        {"StateFailedReason", uint(0)},
        {"AccessTechnologies", uint(1 << 5)}, // UMTS
        {"SignalQuality", QVariant::fromValue(MmUintBool{80, true})},
        {"OwnNumbers", QStringList{service_->ownNumber()}},
        {"PowerState", uint(3)}, // on
        {"SupportedModes", QVariant::fromValue(MmUintPairList{{6, 4}})},
        {"CurrentModes", QVariant::fromValue(MmUintPair{6, 4})},
        {"SupportedBands", QVariant::fromValue(MmUintList{0})},
        {"CurrentBands", QVariant::fromValue(MmUintList{0})},
        {"SupportedIpFamilies", uint(7)},
    };
}

QVariantMap SimModem::messagingProperties() const {
    return {
        {"Messages", QVariant::fromValue(messagePaths())},
        {"SupportedStorages", QVariant::fromValue(MmUintList{1, 2})},
        {"DefaultStorage", mm::kSmsStorageMe},
    };
}

MmInterfaces SimModem::interfaces() const {
    QVariantMap modem = modemProperties();
    modem["State"] = property("State");
    return {{mm::kModemInterface, modem}, {mm::kMessagingInterface, messagingProperties()}};
}

bool SimModem::enabled() const {
    return property("State").toInt() >= mm::kModemStateEnabled;
}

void SimModem::setState(int state) {
    const int old = property("State").toInt();
    setProperty("State", state);
    QDBusMessage changed =
        QDBusMessage::createSignal(path_, mm::kPropertiesInterface, "PropertiesChanged");
    changed << QString(mm::kModemInterface) << QVariantMap{{"State", state}} << QStringList();
    bus().send(changed);
    emit modemAdaptor_->StateChanged(old, state, 1); // user requested
}

bool SimModem::refuse(const QString& name, const QString& text) {
    sendErrorReply(name, text);
    return false;
}

bool SimModem::checkEnabled() {
    return enabled() || refuse(error("Core.WrongState"), "The modem is not enabled");
}

// Create takes ModemManager's keys, lower case, each with its wire type.
bool SimModem::checkCreateProperties(const QVariantMap& properties) {
    static const QMap<QString, QString> kTypes = {
        {"number", "s"},
        {"text", "s"},
        {"data", "ay"},
        {"smsc", "s"},
        {"validity", "(uv)"},
        {"class", "i"},
        {"delivery-report-request", "b"},
        {"teleservice-id", "u"},
        {"service-category", "u"},
    };
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const QString wanted = kTypes.value(it.key());
        if (wanted.isEmpty()) {
            return refuse(error("Core.InvalidArgs"), "Unexpected property: " + it.key());
        }
        const QVariant& v = it.value();
        const bool ok = (wanted == "s" && v.metaType() == QMetaType::fromType<QString>()) ||
                        (wanted == "ay" && v.metaType() == QMetaType::fromType<QByteArray>()) ||
                        (wanted == "i" && v.metaType() == QMetaType::fromType<int>()) ||
                        (wanted == "u" && v.metaType() == QMetaType::fromType<uint>()) ||
                        (wanted == "b" && v.metaType() == QMetaType::fromType<bool>()) ||
                        wanted == "(uv)";
        if (!ok) {
            return refuse(error("Core.InvalidArgs"),
                          QString("Property %1 must be of type %2").arg(it.key(), wanted));
        }
    }
    if (!properties.contains("number") ||
        !(properties.contains("text") || properties.contains("data"))) {
        return refuse(error("Core.InvalidArgs"), "Missing mandatory 'number' and 'text' or 'data'");
    }
    return true;
}

SimSms* SimModem::addSms(const SmsContent& content, bool received) {
    auto* sms = new SimSms(this, service_->nextSmsPath(), content, received);
    messages_.push_back(sms);
    bus().registerObject(sms->path(), sms, QDBusConnection::ExportAdaptors);
    return sms;
}

void SimModem::publishMessages() {
    const QVariantMap messaging = messagingProperties();
    setProperty("Messages", messaging.value("Messages"));
    QDBusMessage changed =
        QDBusMessage::createSignal(path_, mm::kPropertiesInterface, "PropertiesChanged");
    changed << QString(mm::kMessagingInterface)
            << QVariantMap{{"Messages", messaging.value("Messages")}} << QStringList();
    bus().send(changed);
}

void SimModem::announce(SimSms* sms, bool received) {
    publishMessages();
    emit messagingAdaptor_->Added(QDBusObjectPath(sms->path()), received);
}

QList<QDBusObjectPath> SimModem::messagePaths() const {
    QList<QDBusObjectPath> paths;
    for (const SimSms* sms : messages_) {
        paths.append(QDBusObjectPath(sms->path()));
    }
    return paths;
}

SimSms* SimModem::find(const QString& path) const {
    for (SimSms* sms : messages_) {
        if (sms->path() == path) {
            return sms;
        }
    }
    return nullptr;
}

QString SimModem::receive(const SmsContent& content) {
    const int parts = partsOf(content.text);
    SimSms* sms = addSms(content, true);
    if (parts > 1) {
        // The first part announces the message; it is whole once the last arrives.
        sms->setProperty("State", uint(mm::SmsStateReceiving));
        sms->setProperty("Text", QString());
    }
    announce(sms, true);
    const QString path = sms->path();
    if (parts > 1) {
        QTimer::singleShot(50 * parts, this, [this, path, content] {
            if (SimSms* whole = find(path)) {
                whole->update({{"Text", content.text}, {"State", uint(mm::SmsStateReceived)}});
                completed(path);
            }
        });
    } else {
        completed(path);
    }
    return path;
}

// The phone's messaging app, when one is played, takes the whole message
// off the modem a moment later.
void SimModem::completed(const QString& path) {
    const int delay = service_->competitorDelayMs();
    if (delay >= 0) {
        QTimer::singleShot(delay, this, [this, path] {
            if (SimSms* sms = find(path)) {
                remove(sms);
            }
        });
    }
}

void SimModem::sent(const SimSms& sms) {
    service_->recordSent(sms.content());
}

QString SimModem::takeSendFailure() {
    return service_->takeSendFailure();
}

QList<QDBusObjectPath> SimModem::List() {
    if (!checkEnabled()) {
        return {};
    }
    return messagePaths();
}

void SimModem::Delete(const QDBusObjectPath& path) {
    if (!checkEnabled()) {
        return;
    }
    SimSms* sms = find(path.path());
    if (sms == nullptr) {
        refuse(error("Core.NotFound"), "No SMS at " + path.path());
        return;
    }
    remove(sms);
}

void SimModem::remove(SimSms* sms) {
    const QDBusObjectPath path(sms->path());
    messages_.erase(std::find(messages_.begin(), messages_.end(), sms));
    bus().unregisterObject(path.path());
    if (sms->received()) {
        service_->storage().remove(sms->content());
    }
    sms->deleteLater();
    publishMessages();
    emit messagingAdaptor_->Deleted(path);
}

QDBusObjectPath SimModem::Create(const QVariantMap& properties) {
    if (!checkEnabled() || !checkCreateProperties(properties)) {
        return {};
    }
    SmsContent content;
    content.number = properties.value("number").toString();
    content.text = properties.contains("text")
                       ? properties.value("text").toString()
                       : QString::fromUtf8(properties.value("data").toByteArray());
    content.messageClass = properties.value("class", -1).toInt();
    SimSms* sms = addSms(content, false);
    announce(sms, false);
    return QDBusObjectPath(sms->path());
}

void SimModem::Enable(bool enable) {
    setState(enable ? mm::kModemStateRegistered : 3 /* disabled */);
}

void SimModem::unsupported() {
    sendErrorReply(error("Core.Unsupported"), "Not supported by the stand-in");
}

QString SimModem::Command(const QString&, uint) {
    unsupported();
    return {};
}
QDBusObjectPath SimModem::CreateBearer(const QVariantMap&) {
    unsupported();
    return {};
}
void SimModem::DeleteBearer(const QDBusObjectPath&) {
    unsupported();
}
void SimModem::FactoryReset(const QString&) {
    unsupported();
}
MmVariantMapList SimModem::GetCellInfo() {
    unsupported();
    return {};
}
QList<QDBusObjectPath> SimModem::ListBearers() {
    return {};
}
void SimModem::Reset() {
    unsupported();
}
void SimModem::SetCurrentBands(MmUintList) {
    unsupported();
}
void SimModem::SetCurrentCapabilities(uint) {
    unsupported();
}
void SimModem::SetCurrentModes(MmUintPair) {
    unsupported();
}
void SimModem::SetPowerState(uint) {
    unsupported();
}
void SimModem::SetPrimarySimSlot(uint) {
    unsupported();
}
