// org.freedesktop.DBus.ObjectManager on the stand-in's root object: how
// clients find its modems and learn of modems appearing and going.
#pragma once

#include "mm_types.h"

#include <QDBusAbstractAdaptor>
#include <functional>

class ObjectManagerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.ObjectManager")

public:
    ObjectManagerAdaptor(QObject* parent, std::function<MmManagedObjects()> objects)
        : QDBusAbstractAdaptor(parent), objects_(std::move(objects)) {}

public Q_SLOTS:
    MmManagedObjects GetManagedObjects() { return objects_(); }

Q_SIGNALS:
    void InterfacesAdded(const QDBusObjectPath& path, const MmInterfaces& interfaces);
    void InterfacesRemoved(const QDBusObjectPath& path, const QStringList& interfaces);

private:
    std::function<MmManagedObjects()> objects_;
};
