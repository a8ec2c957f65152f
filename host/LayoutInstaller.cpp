#include "LayoutInstaller.h"

#include <appcommon/pubfunc.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool LayoutInstaller::install(const QString &layoutFile, QString *error, const Report &report)
{
    const auto tell = [&report](const QString &line) {
        if (report)
            report(line);
    };
    const QFileInfo source(layoutFile);
    QFile layout(source.absoluteFilePath());
    if (!source.isFile() || !layout.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("--layout: cannot read %1").arg(layoutFile);
        return false;
    }
    const QByteArray content = layout.readAll();
    const QFileInfo settings(QString::fromStdWString(pubfunc::getPreviewSettingFileName()));
    if (settings == source)
        return true; // already the settings file: nothing to copy, and nothing to lose
    // Through a symbolic link to the file it names, so the user's link survives.
    const QString target = settings.exists() ? settings.canonicalFilePath() : settings.filePath();
    QDir().mkpath(QFileInfo(target).absolutePath());

    QFile current(target);
    if (current.exists()) {
        if (current.open(QIODevice::ReadOnly) && current.readAll() == content) {
            tell(QStringLiteral("layout %1 is already installed").arg(layoutFile));
            return true;
        }
        current.close();
        // The user's own layout is kept, never overwritten.
        const QString backup =
            QStringLiteral("%1.%2.bak")
                .arg(target,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        if (!QFile::copy(target, backup)) {
            *error = QStringLiteral("--layout: cannot keep %1 as %2; nothing replaced")
                         .arg(target, backup);
            return false;
        }
        tell(QStringLiteral("the layout it replaces is kept as %1").arg(backup));
    }
    QSaveFile installed(target);
    installed.setDirectWriteFallback(true);
    if (!installed.open(QIODevice::WriteOnly) || installed.write(content) != content.size() ||
        !installed.commit()) {
        *error = QStringLiteral("--layout: cannot write %1").arg(target);
        return false;
    }
    tell(QStringLiteral("layout %1 installed as %2").arg(layoutFile, target));
    return true;
}
