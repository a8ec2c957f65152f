#pragma once

#include "CameraParam.h"
#include "HostTypes.h"
#include "ILayerConfigWriter.h"
#include "LayerItem.h"
#include "LayerType.h"
#include "PreviewEngine.h"

#include "HostReceiver.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPixmap>
#include <QString>

// Records every write, in order.
class FakeConfigWriter : public ILayerConfigWriter
{
public:
    void setValue(const QString &key, const QString &value) override
    {
        writes.append({key, value});
    }

    QList<QPair<QString, QString>> writes;
};

// Stands in for a scene item: a layer item of every kind at once, recording the typed calls a
// compositing layer makes on it.
class FakeLayerItem : public LayerItem, public ICameraLayerItem, public IGameLayerItem
{
public:
    int layerType() const override { return LT_NONE; }
    QString name() const override { return m_name; }
    void setName(const QString &text) override { m_name = text; }
    void setAspectRatio(double ratio) override { aspectRatio = ratio; }
    ICameraLayerItem *cameraItem() override { return this; }
    IGameLayerItem *gameItem() override { return this; }

    void setGamePicture(const QImage &image) override
    {
        ++gamePictures;
        lastGamePicture = image;
    }
    void setCameraPixmap(const QPixmap &pixmap) override
    {
        ++cameraPixmaps;
        lastCameraPixmap = pixmap;
    }
    void setCameraParam(const CameraParam &param) override { cameraParam = param; }

    QString m_name;
    double aspectRatio = 0;
    int gamePictures = 0;
    QImage lastGamePicture;
    int cameraPixmaps = 0;
    QPixmap lastCameraPixmap;
    CameraParam cameraParam;
};

// A game frame of one colour, 0xAARRGGBB per pixel.
inline QByteArray solidFrame(int width, int height, quint32 pixel)
{
    QByteArray bytes(qsizetype(width) * height * 4, Qt::Uninitialized);
    auto *p = reinterpret_cast<quint32 *>(bytes.data());
    for (qsizetype i = 0; i < qsizetype(width) * height; ++i)
        p[i] = pixel;
    return bytes;
}
