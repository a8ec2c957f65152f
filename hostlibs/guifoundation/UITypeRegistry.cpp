#include "UITypeRegistry.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

namespace {

struct Registry
{
    QMutex mutex;
    QHash<QString, UITypeRegistry::Factory> types[2];
};

Registry &registry()
{
    // Built on first use: registrations run from other libraries' static initialisers.
    static Registry instance;
    return instance;
}

} // namespace

bool UITypeRegistry::registerType(Kind kind, const QString &name, Factory factory)
{
    if (name.isEmpty() || !factory)
        return false;
    Registry &r = registry();
    const QMutexLocker locker(&r.mutex);
    r.types[kind].insert(name, std::move(factory));
    return true;
}

bool UITypeRegistry::isRegistered(Kind kind, const QString &name)
{
    Registry &r = registry();
    const QMutexLocker locker(&r.mutex);
    return r.types[kind].contains(name);
}

QObject *UITypeRegistry::create(Kind kind, const QString &name, QObject *parent)
{
    Factory factory;
    {
        Registry &r = registry();
        const QMutexLocker locker(&r.mutex);
        factory = r.types[kind].value(name);
    }
    return factory ? factory(parent) : nullptr;
}

QStringList UITypeRegistry::registeredNames(Kind kind)
{
    Registry &r = registry();
    const QMutexLocker locker(&r.mutex);
    QStringList names = r.types[kind].keys();
    names.sort();
    return names;
}
