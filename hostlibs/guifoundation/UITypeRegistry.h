#pragma once

#include "guifoundation_global.h"

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Process-wide table from class names to factories. Layout files name the class of each window
// and control; the builder looks the name up here. Registration normally happens during static
// initialisation through TypeElement, so the table is built on first use.
class GUIFOUNDATION_EXPORT UITypeRegistry
{
public:
    enum Kind { Window, Control };

    using Factory = std::function<QObject *(QObject *parent)>;

    // Adds or replaces the factory for name. Returns false for an empty name or null factory.
    // owner, when given, identifies the registration for unregisterType.
    static bool registerType(Kind kind, const QString &name, Factory factory,
                             const void *owner = nullptr);
    // Removes name's factory if owner registered it (a later registration under the same name
    // stays). A library that registers types must remove them before it is unloaded: the
    // factories are its code.
    static void unregisterType(Kind kind, const QString &name, const void *owner);
    static bool isRegistered(Kind kind, const QString &name);
    // A new object made by the registered factory, or null for an unknown name.
    static QObject *create(Kind kind, const QString &name, QObject *parent);
    static QStringList registeredNames(Kind kind);
};
