#pragma once

#include <QImage>
#include <QString>

class QFile;

// Files from the user's disk that the engine reads: only regular files are opened, so a FIFO
// or a device where a picture or a settings file should be can never make the GUI thread wait
// for ever. Qt resources (":/...") open as usual.
namespace RegularFile {

// Opens path read-only into file; false with the reason in error otherwise.
bool openForReading(QFile &file, const QString &path, QString *error);

// The picture at path (any format Qt reads); a null image with the reason in error otherwise.
QImage loadImage(const QString &path, QString *error);

} // namespace RegularFile
