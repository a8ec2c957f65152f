#pragma once

#include <QObject>

class CameraParam;
class QImage;
class QPixmap;
class QRectF;
class QString;

// The calls a compositing layer makes on its scene item. The item classes live in the scene
// subsystem, which the compositing side does not link against: the calls go through the
// meta-object by name, so an item only has to declare them as slots or Q_INVOKABLE. A null
// item, or one that lacks the member, is skipped quietly.
namespace UILayerCalls {

bool hasMethod(const QObject *item, const char *normalizedSignature);

void setName(QObject *item, const QString &name);
void setGeometry(QObject *item, const QRectF &rect);
void setAspectRatio(QObject *item, double ratio);
void setGamePicture(QObject *item, const QImage &image);
void setCameraPixmap(QObject *item, const QPixmap &pixmap);
void setCameraParam(QObject *item, const CameraParam &param);

// Connects the item's signal to the receiver's slot by signature text when the item has the
// signal; returns whether a connection was made.
bool connectIfPresent(QObject *item, const char *signal, const QObject *receiver, const char *slot);

} // namespace UILayerCalls
