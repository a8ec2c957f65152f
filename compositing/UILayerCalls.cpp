#include "UILayerCalls.h"

#include "CameraParam.h"

#include <QGraphicsObject>
#include <QGraphicsWidget>
#include <QImage>
#include <QMetaMethod>
#include <QPixmap>
#include <QRectF>

namespace UILayerCalls {

bool hasMethod(const QObject *item, const char *normalizedSignature)
{
    return item && item->metaObject()->indexOfMethod(normalizedSignature) >= 0;
}

namespace {

// typeName is the argument's type as the meta-object spells it.
template<class T>
void invoke(QObject *item, const char *name, const char *signature, const char *typeName,
            const T &value)
{
    if (!hasMethod(item, signature))
        return;
    QMetaObject::invokeMethod(item, name, Qt::DirectConnection,
                              QGenericArgument(typeName, static_cast<const void *>(&value)));
}

} // namespace

void setName(QObject *item, const QString &name)
{
    invoke(item, "setName", "setName(QString)", "QString", name);
}

void setGeometry(QObject *item, const QRectF &rect)
{
    if (hasMethod(item, "setGeometry(QRectF)")) {
        invoke(item, "setGeometry", "setGeometry(QRectF)", "QRectF", rect);
    } else if (auto *widget = qobject_cast<QGraphicsWidget *>(item)) {
        widget->setGeometry(rect);
    } else if (auto *object = qobject_cast<QGraphicsObject *>(item)) {
        object->setPos(rect.topLeft());
    }
}

void setAspectRatio(QObject *item, double ratio)
{
    invoke(item, "setAspectRatio", "setAspectRatio(double)", "double", ratio);
}

void setGamePicture(QObject *item, const QImage &image)
{
    invoke(item, "setGamePicture", "setGamePicture(QImage)", "QImage", image);
}

void setCameraPixmap(QObject *item, const QPixmap &pixmap)
{
    invoke(item, "setCameraPixmap", "setCameraPixmap(QPixmap)", "QPixmap", pixmap);
}

void setCameraParam(QObject *item, const CameraParam &param)
{
    invoke(item, "setCameraParam", "setCameraParam(CameraParam)", "CameraParam", param);
}

bool connectIfPresent(QObject *item, const char *signal, const QObject *receiver, const char *slot)
{
    // SIGNAL()/SLOT() texts carry a one-character code prefix.
    if (!item || !receiver || item->metaObject()->indexOfSignal(signal + 1) < 0)
        return false;
    // Unique: linking the same item twice must not double every geometry update.
    return QObject::connect(
        item, signal, receiver, slot,
        static_cast<Qt::ConnectionType>(Qt::AutoConnection | Qt::UniqueConnection));
}

} // namespace UILayerCalls
