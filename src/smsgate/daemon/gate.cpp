#include "gate.h"

#include "smsgate/rule_component_ids.h"

#include "platform/telephony/class_registry.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <cstdio>

namespace {

void note(const QString& text) {
    std::fprintf(stderr, "smsgate: %s\n", qPrintable(text));
}

// The standard D-Bus interfaces (ObjectManager, Properties) come with no
// interface file of ModemManager's to generate a proxy from; their calls are
// made from this.
QDBusMessage call(const QString& path, const char* interface, const char* method) {
    return QDBusMessage::createMethodCall(mm::kService, path, interface, method);
}

SmsInfo infoOf(const QString& path, const QString& modem, const QVariantMap& p) {
    return SmsInfo{path,
                   modem,
                   p.value("State").toUInt(),
                   p.value("PduType").toUInt(),
                   p.value("Number").toString(),
                   p.value("Text").toString(),
                   p.value("Timestamp").toString()};
}

} // namespace

Gate::Gate(const QDBusConnection& bus, const GateOptions& options)
    : bus_(bus), options_(options), registration_(platform::ClassEntryPath(CLSID_RuleComponent)),
      numbers_(RequestedNumbersPath(options.deliveredLogPath)), log_(options.deliveredLogPath),
      courier_([this](const Report& report, bool deleteIt) {
          QMetaObject::invokeMethod(
              this, [this, report, deleteIt] { onDelivered(report, deleteIt); },
              Qt::QueuedConnection);
      }) {
    RegisterMmTypes();
}

void Gate::start() {
    // An empty path hears the signal from every modem and every message.
    bus_.connect(mm::kService, "", mm::kMessagingInterface, "Added", this,
                 SLOT(onAdded(QDBusMessage)));
    bus_.connect(mm::kService, "", mm::kPropertiesInterface, "PropertiesChanged", this,
                 SLOT(onPropertiesChanged(QDBusMessage)));
    bus_.connect(mm::kService, mm::kManagerPath, mm::kObjectManagerInterface, "InterfacesAdded",
                 this, SLOT(onInterfacesAdded(QDBusMessage)));
    auto* watcher = new QDBusServiceWatcher(mm::kService, bus_,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        note("ModemManager is there");
        scanModems();
    });
    connect(&registration_, &RegistrationWatch::changed, this, [this] { checkRegistration(); });
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(0);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { flush(); });
    checkRegistration();
}

// Registration and removal take effect without a restart.
void Gate::checkRegistration() {
    std::string library, reason;
    const bool registered = platform::FindClassLibrary(CLSID_RuleComponent, &library, &reason) ==
                            platform::ClassLookup::Found;
    if (registered == active_) {
        return;
    }
    active_ = registered;
    note(active_          ? "the component is registered: delivering reports"
         : reason.empty() ? "the component is not registered: waiting"
                          : "the component's entry is refused (" + QString::fromStdString(reason) +
                                "): waiting");
    if (active_) {
        scanModems(); // what arrived meanwhile is on the modem
    } else {
        courier_.drop();
        inFlight_.clear();
    }
}

// The modem's Messaging interface, through the proxy generated from
// ModemManager's own interface file; one a modem, kept while the gate runs.
MmMessagingProxy& Gate::messaging(const QString& modemPath) {
    std::unique_ptr<MmMessagingProxy>& proxy = messaging_[modemPath];
    if (!proxy) {
        proxy = std::make_unique<MmMessagingProxy>(mm::kService, modemPath, bus_);
    }
    return *proxy;
}

void Gate::scanModems() {
    if (!active_) {
        return;
    }
    sweep_ = Sweep{sweep_.generation + 1, 1, true, {}};
    const int generation = sweep_.generation;
    auto* pending = new QDBusPendingCallWatcher(
        bus_.asyncCall(call(mm::kManagerPath, mm::kObjectManagerInterface, "GetManagedObjects")),
        this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<MmManagedObjects> reply = *w;
                if (reply.isError()) {
                    // No ModemManager yet: its appearance brings a new scan.
                    sweepStep(generation, false);
                    return;
                }
                const MmManagedObjects objects = reply.value();
                for (auto it = objects.begin(); it != objects.end(); ++it) {
                    if (it.value().contains(mm::kMessagingInterface)) {
                        listMessages(it.key().path(), generation);
                    }
                }
                sweepStep(generation, true);
            });
}

// A call of the current sweep has ended; when the last has, and every one
// succeeded, the delivered messages not seen have left the modems.
void Gate::sweepStep(int generation, bool ok) {
    if (generation == 0 || generation != sweep_.generation) {
        return;
    }
    sweep_.complete = sweep_.complete && ok;
    if (--sweep_.pending == 0 && sweep_.complete) {
        log_.keepOnly(sweep_.present);
        scheduleFlush();
    }
}

void Gate::onInterfacesAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() == 2) {
        const QString path = args[0].value<QDBusObjectPath>().path();
        const auto interfaces = qdbus_cast<MmInterfaces>(args[1]);
        if (interfaces.contains(mm::kMessagingInterface)) {
            listMessages(path);
        }
    }
}

void Gate::listMessages(const QString& modemPath, int sweep) {
    if (!active_) {
        return;
    }
    sweep_.pending += sweep != 0 && sweep == sweep_.generation ? 1 : 0;
    auto* pending = new QDBusPendingCallWatcher(messaging(modemPath).List(), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, modemPath, sweep](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<QList<QDBusObjectPath>> reply = *w;
                if (reply.isError()) {
                    note("cannot list the messages of " + modemPath + ": " +
                         reply.error().message());
                    sweepStep(sweep, false);
                    return;
                }
                for (const QDBusObjectPath& sms : reply.value()) {
                    inspect(sms.path(), modemPath, sweep);
                }
                sweepStep(sweep, true);
            });
}

// A new message, received or one this modem is about to send.
void Gate::onAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() == 2 && active_) {
        inspect(args[0].value<QDBusObjectPath>().path(), message.path());
    }
}

void Gate::inspect(const QString& smsPath, const QString& modemPath, int sweep) {
    sweep_.pending += sweep != 0 && sweep == sweep_.generation ? 1 : 0;
    QDBusMessage getAll = call(smsPath, mm::kPropertiesInterface, "GetAll");
    getAll << QString(mm::kSmsInterface);
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(getAll), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, smsPath, modemPath, sweep](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<QVariantMap> reply = *w;
                if (reply.isError()) {
                    // Deleted meanwhile (by the phone's messaging app, say),
                    // or a ModemManager that went away.
                    note("cannot read " + smsPath + ": " + reply.error().message());
                    sweepStep(sweep, false);
                    return;
                }
                const SmsInfo sms = infoOf(smsPath, modemPath, reply.value());
                if (sms.pduType == mm::SmsPduDeliver && sms.state == mm::SmsStateReceived) {
                    sweep_.present.insert(DeliveredLog::KeyOf(sms.number, sms.timestamp, sms.text));
                }
                consider(sms);
                sweepStep(sweep, true);
            });
}

// A message that was not whole (received in parts) or not yet sent becomes
// so: look again.
void Gate::onPropertiesChanged(const QDBusMessage& message) {
    auto it = waitingFor_.find(message.path());
    const QList<QVariant> args = message.arguments();
    if (it == waitingFor_.end() || args.size() < 2 || args[0].toString() != mm::kSmsInterface) {
        return;
    }
    const QVariantMap changed = qdbus_cast<QVariantMap>(args[1]);
    const uint state = changed.value("State").toUInt();
    if (state == mm::SmsStateReceived || state == mm::SmsStateSent) {
        const QString modem = it->second;
        waitingFor_.erase(it);
        inspect(message.path(), modem);
    }
}

void Gate::consider(const SmsInfo& sms) {
    if (!active_) {
        return;
    }
    if (sms.pduType == mm::SmsPduSubmit) {
        considerSent(sms);
    } else if (sms.pduType == mm::SmsPduDeliver) {
        considerReceived(sms);
    }
}

// "request" tells the gate which number the tracker has; once sent, the
// message has done its work and leaves the modem.
void Gate::considerSent(const SmsInfo& sms) {
    if (!IsRequestText(sms.text)) {
        return;
    }
    // Only a request that went out makes its number a tracker's: one that
    // was made but never sent asked nobody anything.
    if (sms.state == mm::SmsStateSent) {
        numbers_.addRequest(sms.number, QDateTime::currentDateTimeUtc());
        if (!numbers_.saveError().isEmpty()) {
            note("the requested numbers are not saved: " + numbers_.saveError());
        }
        deleteMessage(sms.path, sms.modemPath, QString());
    } else {
        waitingFor_[sms.path] = sms.modemPath;
    }
}

void Gate::considerReceived(const SmsInfo& sms) {
    if (sms.state != mm::SmsStateReceived) {
        waitingFor_[sms.path] = sms.modemPath; // parts still to come
        return;
    }
    const QString key = DeliveredLog::KeyOf(sms.number, sms.timestamp, sms.text);
    if (log_.contains(key)) {
        log_.noteSeen(key);
        scheduleFlush();
        if (log_.wantsDeletion(key)) {
            deleteMessage(sms.path, sms.modemPath, key); // announced again, still there
        }
        return;
    }
    numbers_.setSaved(SavedTrackerNumber(options_.settingsPath));
    // Every answer of the tracker reaches the viewer, with a position or
    // without one ("NO GPS"): the user waits for it either way.
    if (inFlight_.contains(key) ||
        !numbers_.isTracker(sms.number, QDateTime::currentDateTimeUtc())) {
        return;
    }
    inFlight_.insert(key);
    note("a report from " + sms.number + ": delivering it");
    courier_.send(Report{key, sms.text, sms.number, sms.path, sms.modemPath});
}

void Gate::onDelivered(const Report& report, bool deleteIt) {
    inFlight_.remove(report.key);
    sweep_.present.insert(report.key); // on the modem, whatever a sweep under way saw
    log_.add(report.key, deleteIt);
    scheduleFlush();
    if (deleteIt) {
        deleteMessage(report.smsPath, report.modemPath, report.key);
    }
}

void Gate::deleteMessage(const QString& smsPath, const QString& modemPath, const QString& key) {
    auto* pending =
        new QDBusPendingCallWatcher(messaging(modemPath).Delete(QDBusObjectPath(smsPath)), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, key, smsPath](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (w->isError()) {
                    note("cannot delete " + smsPath + ": " + w->error().message());
                } else if (!key.isEmpty()) {
                    log_.markDeleted(key);
                    scheduleFlush();
                }
            });
}

// Changes made while handling a burst of messages are written once, after
// it, not once each: a gate that fell behind its deliveries would lose them
// when stopped.
void Gate::scheduleFlush() {
    if (!flushTimer_.isActive()) {
        flushTimer_.start();
    }
}

// A log that cannot be saved still works for this run; a restart would
// deliver again what it forgot, so the user is told once per reason.
void Gate::flush() {
    log_.flush();
    if (log_.saveError() != lastLogError_) {
        lastLogError_ = log_.saveError();
        if (!lastLogError_.isEmpty()) {
            note("the delivered log is not saved: " + lastLogError_);
        }
    }
}
