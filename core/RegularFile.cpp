#include "RegularFile.h"

#include <appcommon/ZqPlatform.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>

namespace RegularFile {

bool openForReading(QFile &file, const QString &path, QString *error)
{
    QString reason;
    if (path.isEmpty()) {
        reason = QStringLiteral("no path");
    } else if (path.startsWith(QLatin1Char(':'))) {
        file.setFileName(path);
        if (file.open(QIODevice::ReadOnly))
            return true;
        reason = file.errorString();
    } else {
        int code = 0;
        const int fd = ZqPlatform::openRegularFileForReading(path.toStdWString(), &code);
        if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return true;
        reason = code == ENOENT ? QStringLiteral("does not exist")
                                : QString::fromStdWString(ZqPlatform::errorText(code));
    }
    if (error)
        *error = reason;
    return false;
}

QImage loadImage(const QString &path, QString *error)
{
    QFile file;
    if (!openForReading(file, path, error))
        return QImage();
    // The suffix is only a hint for formats without a signature; the content decides.
    QImageReader reader(&file, QFileInfo(path).suffix().toLatin1());
    const QImage image = reader.read();
    if (image.isNull() && error)
        *error = reader.errorString();
    return image;
}

} // namespace RegularFile
