#include "sms.h"

#include "mm_messaging_proxy.h"
#include "mm_sms_proxy.h"
#include "mm_types.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <algorithm>
#include <set>

struct SMS_HANDLE__ {
    QString modemPath;
};

namespace {

// ModemManager answers at once; a send may take as long as the network does.
constexpr int kLookupTimeoutMs = 10000;
constexpr int kSendTimeoutMs = 60000;

std::set<SMS_HANDLE>& openHandles() {
    static std::set<SMS_HANDLE> handles;
    return handles;
}

void debug(const QString& text) {
    const QString line = "SMS: " + text + "\r\n";
    OutputDebugStringW(reinterpret_cast<LPCWSTR>(line.utf16()));
}

// The path of the first enabled modem with Messaging, or empty.
QString findModem(QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        mm::kService, mm::kManagerPath, mm::kObjectManagerInterface, "GetManagedObjects");
    const QDBusReply<MmManagedObjects> reply = bus.call(call, QDBus::Block, kLookupTimeoutMs);
    if (!reply.isValid()) {
        debug("ModemManager does not answer: " + reply.error().message());
        return {};
    }
    QString found;
    const MmManagedObjects objects = reply.value();
    for (auto it = objects.begin(); it != objects.end() && found.isEmpty(); ++it) {
        const MmInterfaces& interfaces = it.value();
        const bool enabled =
            interfaces.value(mm::kModemInterface).value("State").toInt() >= mm::kModemStateEnabled;
        if (interfaces.contains(mm::kMessagingInterface) && enabled) {
            found = it.key().path();
        }
    }
    if (found.isEmpty()) {
        debug("no enabled modem with messaging");
    }
    return found;
}

QString text(const BYTE* data, DWORD size) {
    QString t(qsizetype(size / 2), Qt::Uninitialized);
    std::copy_n(data, std::size_t(size / 2) * 2, reinterpret_cast<BYTE*>(t.data()));
    return t;
}

QString number(const SMS_ADDRESS& address) {
    const WCHAR* begin = address.ptsAddress;
    const WCHAR* end = std::find(begin, begin + SMS_MAX_ADDRESS_LENGTH, WCHAR(0));
    return QString::fromUtf16(begin, end - begin);
}

bool validRecord(const BYTE* data, DWORD size) {
    return data != nullptr &&
           (size == kTextProviderDataSizePocketPc || size == kTextProviderDataSizeSmartphone);
}

} // namespace

HRESULT SmsOpen(LPCWSTR provider, DWORD mode, SMS_HANDLE* handle, HANDLE* messageAvailableEvent) {
    if (handle == nullptr || provider == nullptr) {
        return E_INVALIDARG;
    }
    *handle = nullptr;
    if (messageAvailableEvent != nullptr) {
        *messageAvailableEvent = nullptr;
    }
    if (std::u16string_view(provider) != SMS_MSGTYPE_TEXT) {
        return SMS_E_INVALIDPROTOCOL;
    }
    if (mode != SMS_MODE_SEND) {
        return E_NOTIMPL;
    }
    RegisterMmTypes();
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        debug("no system bus: " + bus.lastError().message());
        return SMS_E_SERVICEUNAVAILABLE;
    }
    const QString modem = findModem(bus);
    if (modem.isEmpty()) {
        return SMS_E_SERVICEUNAVAILABLE;
    }
    *handle = new SMS_HANDLE__{modem};
    openHandles().insert(*handle);
    return S_OK;
}

HRESULT SmsSendMessage(SMS_HANDLE handle, const SMS_ADDRESS*, const SMS_ADDRESS* destination,
                       const void*, const BYTE* data, DWORD dataSize, const BYTE* providerData,
                       DWORD providerDataSize, SMS_DATA_ENCODING, DWORD,
                       SMS_MESSAGE_ID* messageId) {
    if (openHandles().count(handle) == 0 || destination == nullptr ||
        (data == nullptr && dataSize > 0) || dataSize % 2 != 0) {
        return E_INVALIDARG;
    }
    if (!validRecord(providerData, providerDataSize)) {
        return SMS_E_PROVIDERSPECIFICBUFFERWRONGSIZE;
    }
    const auto* record = reinterpret_cast<const TEXT_PROVIDER_SPECIFIC_DATA*>(providerData);
    const QVariantMap properties = {
        {"number", number(*destination)},
        {"text", text(data, dataSize)},
        {"class", int(record->psMessageClass)},
    };
    QDBusConnection bus = QDBusConnection::systemBus();
    // Blocking calls wait on the bus thread: no window procedure runs meanwhile.
    MmMessagingProxy messaging(mm::kService, handle->modemPath, bus);
    messaging.setTimeout(kSendTimeoutMs);
    QDBusPendingReply<QDBusObjectPath> created = messaging.Create(properties);
    created.waitForFinished();
    if (created.isError()) {
        debug("the message was refused: " + created.error().name() + ": " +
              created.error().message());
        return SMS_E_SENDFAILED;
    }
    MmSmsProxy sms(mm::kService, created.value().path(), bus);
    sms.setTimeout(kSendTimeoutMs);
    QDBusPendingReply<> sent = sms.Send();
    sent.waitForFinished();
    if (sent.isError()) {
        debug("sending failed: " + sent.error().name() + ": " + sent.error().message());
        messaging.Delete(created.value()).waitForFinished(); // nothing is left half-made
        return SMS_E_SENDFAILED;
    }
    static SMS_MESSAGE_ID nextId = 1;
    if (messageId != nullptr) {
        *messageId = nextId;
    }
    ++nextId;
    return S_OK;
}

HRESULT SmsClose(SMS_HANDLE handle) {
    if (openHandles().erase(handle) == 0) {
        return E_INVALIDARG;
    }
    delete handle;
    return S_OK;
}
