// ModemManager's D-Bus API as this program uses it: names, enumerations and
// the Qt types of its compound signatures (the generated proxies and
// adaptors name them). Call RegisterMmTypes() before any D-Bus traffic.
#pragma once

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

struct MmUintPair { // (uu)
    uint first = 0;
    uint second = 0;
};
struct MmUintBool { // (ub)
    uint value = 0;
    bool flag = false;
};
struct MmValidity { // (uv)
    uint type = 0;
    QDBusVariant value;
};
struct MmPort { // (su)
    QString name;
    uint type = 0;
};
using MmUintList = QList<uint>;                               // au
using MmUintPairList = QList<MmUintPair>;                     // a(uu)
using MmPortList = QList<MmPort>;                             // a(su)
using MmUintMap = QMap<uint, uint>;                           // a{uu}
using MmVariantMapList = QList<QVariantMap>;                  // aa{sv}
using MmInterfaces = QMap<QString, QVariantMap>;              // a{sa{sv}}
using MmManagedObjects = QMap<QDBusObjectPath, MmInterfaces>; // a{oa{sa{sv}}}

Q_DECLARE_METATYPE(MmUintPair)
Q_DECLARE_METATYPE(MmUintBool)
Q_DECLARE_METATYPE(MmValidity)
Q_DECLARE_METATYPE(MmPort)

QDBusArgument& operator<<(QDBusArgument& out, const MmUintPair& v);
const QDBusArgument& operator>>(const QDBusArgument& in, MmUintPair& v);
QDBusArgument& operator<<(QDBusArgument& out, const MmUintBool& v);
const QDBusArgument& operator>>(const QDBusArgument& in, MmUintBool& v);
QDBusArgument& operator<<(QDBusArgument& out, const MmValidity& v);
const QDBusArgument& operator>>(const QDBusArgument& in, MmValidity& v);
QDBusArgument& operator<<(QDBusArgument& out, const MmPort& v);
const QDBusArgument& operator>>(const QDBusArgument& in, MmPort& v);

void RegisterMmTypes();

namespace mm {

inline constexpr char kService[] = "org.freedesktop.ModemManager1";
inline constexpr char kManagerPath[] = "/org/freedesktop/ModemManager1";
inline constexpr char kManagerInterface[] = "org.freedesktop.ModemManager1";
inline constexpr char kModemInterface[] = "org.freedesktop.ModemManager1.Modem";
inline constexpr char kMessagingInterface[] = "org.freedesktop.ModemManager1.Modem.Messaging";
inline constexpr char kSmsInterface[] = "org.freedesktop.ModemManager1.Sms";
inline constexpr char kObjectManagerInterface[] = "org.freedesktop.DBus.ObjectManager";
inline constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
inline constexpr char kErrorPrefix[] = "org.freedesktop.ModemManager1.Error.";

// MMModemState: messaging works from ENABLED on.
constexpr int kModemStateLocked = 2;
constexpr int kModemStateEnabled = 6;
constexpr int kModemStateRegistered = 8;

// MMSmsState and MMSmsPduType.
enum SmsState : uint {
    SmsStateUnknown = 0,
    SmsStateStored = 1,
    SmsStateReceiving = 2,
    SmsStateReceived = 3,
    SmsStateSending = 4,
    SmsStateSent = 5,
};
enum SmsPduType : uint {
    SmsPduDeliver = 1, // received
    SmsPduSubmit = 2,  // to be sent
};
constexpr uint kSmsStorageMe = 2;

} // namespace mm
