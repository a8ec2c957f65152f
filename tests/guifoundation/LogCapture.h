#pragma once

#include <guifoundation/UILog.h>

#include <QStringList>

// Collects what the GUI foundation reports while it is alive.
class LogCapture
{
public:
    LogCapture()
    {
        m_previous = UILog::setSink(&LogCapture::_sink);
        lines().clear();
    }
    ~LogCapture() { UILog::setSink(m_previous); }

    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }

private:
    static void _sink(UILog::Level, const QString &message) { lines().append(message); }

    UILog::Sink m_previous = nullptr;
};
