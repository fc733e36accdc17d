#include "mm_types.h"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& out, const MmUintPair& v) {
    out.beginStructure();
    out << v.first << v.second;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, MmUintPair& v) {
    in.beginStructure();
    in >> v.first >> v.second;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MmUintBool& v) {
    out.beginStructure();
    out << v.value << v.flag;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, MmUintBool& v) {
    in.beginStructure();
    in >> v.value >> v.flag;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MmValidity& v) {
    out.beginStructure();
    out << v.type << v.value;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, MmValidity& v) {
    in.beginStructure();
    in >> v.type >> v.value;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MmPort& v) {
    out.beginStructure();
    out << v.name << v.type;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, MmPort& v) {
    in.beginStructure();
    in >> v.name >> v.type;
    in.endStructure();
    return in;
}

void RegisterMmTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<MmUintPair>();
        qDBusRegisterMetaType<MmUintBool>();
        qDBusRegisterMetaType<MmValidity>();
        qDBusRegisterMetaType<MmPort>();
        qDBusRegisterMetaType<MmUintList>();
        qDBusRegisterMetaType<MmUintPairList>();
        qDBusRegisterMetaType<MmPortList>();
        qDBusRegisterMetaType<MmUintMap>();
        qDBusRegisterMetaType<MmVariantMapList>();
        qDBusRegisterMetaType<MmInterfaces>();
        qDBusRegisterMetaType<MmManagedObjects>();
        qRegisterMetaType<QDBusObjectPath>();
        // Signals and slots name the aliases; QtDBus looks them up by name.
        qRegisterMetaType<MmUintList>("MmUintList");
        qRegisterMetaType<MmUintPairList>("MmUintPairList");
        qRegisterMetaType<MmPortList>("MmPortList");
        qRegisterMetaType<MmUintMap>("MmUintMap");
        qRegisterMetaType<MmVariantMapList>("MmVariantMapList");
        qRegisterMetaType<MmInterfaces>("MmInterfaces");
        qRegisterMetaType<MmManagedObjects>("MmManagedObjects");
        return true;
    }();
    (void)registered;
}
