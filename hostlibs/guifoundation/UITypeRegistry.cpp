#include "UITypeRegistry.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

namespace {

struct Entry
{
    UITypeRegistry::Factory factory;
    const void *owner = nullptr;
};

struct Registry
{
    QMutex mutex;
    QHash<QString, Entry> types[2];
};

Registry &registry()
{
    // Built on first use: registrations run from other libraries' static initialisers.
    static Registry instance;
    return instance;
}

} // namespace

bool UITypeRegistry::registerType(Kind kind, const QString &name, Factory factory,
                                  const void *owner)
{
    if (name.isEmpty() || !factory)
        return false;
    Registry &r = registry();
    const QMutexLocker locker(&r.mutex);
    r.types[kind].insert(name, Entry{std::move(factory), owner});
    return true;
}

void UITypeRegistry::unregisterType(Kind kind, const QString &name, const void *owner)
{
    Factory removed;
    {
        Registry &r = registry();
        const QMutexLocker locker(&r.mutex);
        const auto found = r.types[kind].find(name);
        if (found == r.types[kind].end() || found->owner != owner)
            return;
        removed = std::move(found->factory);
        r.types[kind].erase(found);
    }
    // removed goes here, outside the lock, while its library is still loaded.
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
        factory = r.types[kind].value(name).factory;
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
