#include "sim_sms.h"

#include "mm_sms_adaptor.h"
#include "sim_modem.h"

#include <QDBusConnection>
#include <QDBusMessage>

SimSms::SimSms(SimModem* modem, const QString& path, const SmsContent& content, bool received)
    : QObject(modem), modem_(modem), path_(path), content_(content), received_(received) {
    new MmSmsAdaptor(this);
    const QVariantMap properties = {
        {"State", uint(received ? mm::SmsStateReceived : mm::SmsStateUnknown)},
        {"PduType", uint(received ? mm::SmsPduDeliver : mm::SmsPduSubmit)},
        {"Number", content.number},
        {"Text", content.text},
        {"Data", QByteArray()},
        {"SMSC", QString()},
        {"Validity", QVariant::fromValue(MmValidity{0, QDBusVariant(uint(0))})},
        {"Class", content.messageClass},
        {"TeleserviceId", uint(0)},
        {"ServiceCategory", uint(0)},
        {"DeliveryReportRequest", false},
        {"MessageReference", uint(0)},
        {"Timestamp", content.timestamp},
        {"DischargeTimestamp", QString()},
        {"DeliveryState", uint(0)},
        {"Storage", uint(received ? mm::kSmsStorageMe : 0)},
    };
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        setProperty(it.key().toUtf8().constData(), it.value());
    }
}

void SimSms::update(const QVariantMap& changed) {
    for (auto it = changed.begin(); it != changed.end(); ++it) {
        setProperty(it.key().toUtf8().constData(), it.value());
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(path_, mm::kPropertiesInterface, "PropertiesChanged");
    signal << QString(mm::kSmsInterface) << changed << QStringList();
    modem_->bus().send(signal);
}

void SimSms::Send() {
    const uint state = property("State").toUInt();
    if (received_ || (state != mm::SmsStateUnknown && state != mm::SmsStateStored)) {
        sendErrorReply(QString(mm::kErrorPrefix) + "Core.Failed",
                       "This SMS was not created to be sent, or was sent already");
        return;
    }
    const QString failure = modem_->takeSendFailure();
    if (!failure.isEmpty()) {
        sendErrorReply(failure, "Sending failed (simulated)");
        return;
    }
    if (content_.number.isEmpty()) {
        sendErrorReply(QString(mm::kErrorPrefix) + "Message.InvalidPduParameter",
                       "The message has no destination number");
        return;
    }
    if (!modem_->enabled()) {
        sendErrorReply(QString(mm::kErrorPrefix) + "Core.WrongState", "The modem is not enabled");
        return;
    }
    update({{"State", uint(mm::SmsStateSending)}});
    update({{"State", uint(mm::SmsStateSent)}});
    modem_->sent(*this);
}

void SimSms::Store(uint storage) {
    if (received_) {
        sendErrorReply(QString(mm::kErrorPrefix) + "Core.Failed", "Received messages are stored");
        return;
    }
    update({{"Storage", storage == 0 ? mm::kSmsStorageMe : storage},
            {"State", uint(mm::SmsStateStored)}});
}
