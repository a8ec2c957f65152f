#include "UILog.h"

#include <QtGlobal>

#include <atomic>

namespace {

void defaultSink(UILog::Level level, const QString &message)
{
    switch (level) {
    case UILog::Info:
        qInfo("%s", qUtf8Printable(message));
        break;
    case UILog::Warning:
        qWarning("%s", qUtf8Printable(message));
        break;
    case UILog::Error:
        qCritical("%s", qUtf8Printable(message));
        break;
    }
}

std::atomic<UILog::Sink> s_sink{&defaultSink};

void emitMessage(UILog::Level level, const QString &message)
{
    s_sink.load()(level, message);
}

} // namespace

UILog::Sink UILog::setSink(Sink sink)
{
    const Sink previous = s_sink.exchange(sink ? sink : &defaultSink);
    return previous == &defaultSink ? nullptr : previous;
}

void UILog::info(const QString &message)
{
    emitMessage(Info, message);
}

void UILog::warning(const QString &message)
{
    emitMessage(Warning, message);
}

void UILog::error(const QString &message)
{
    emitMessage(Error, message);
}
