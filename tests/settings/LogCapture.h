#pragma once

#include "Log.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// Sends the process's log to a temporary file so tests can look for the lines they expect.
class LogCapture
{
public:
    LogCapture()
    {
        m_path = m_dir.filePath(QStringLiteral("test.log"));
        openLogFile(m_path.toStdWString());
    }

    // Remembers where the log ends now; since() returns what was written after.
    void mark() { m_mark = _read().size(); }
    QString since() const { return QString::fromUtf8(_read().mid(m_mark)); }

private:
    QByteArray _read() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_path;
    qsizetype m_mark = 0;
};
