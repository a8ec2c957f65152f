#pragma once

#include "guifoundation_global.h"

#include <QString>

// Where the library's own messages go. This library sits below everything else, so it cannot
// write to the engine's log itself: it hands each message to a sink. The default sink passes
// the message to qInfo/qWarning/qCritical; an application points it at its own log once at
// start, for example
//
//     UILog::setSink([](UILog::Level level, const QString &message) { ... });
//
// Messages follow the house form "Class::method detail". The sink is called on the thread that
// reports, which for this library is always the GUI thread.
class GUIFOUNDATION_EXPORT UILog
{
public:
    enum Level { Info, Warning, Error };
    using Sink = void (*)(Level level, const QString &message);

    // Installs sink and returns the previous one; null restores the default.
    static Sink setSink(Sink sink);

    static void info(const QString &message);
    static void warning(const QString &message);
    static void error(const QString &message);
};
