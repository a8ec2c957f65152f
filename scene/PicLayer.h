#pragma once

#include "BasicLayer.h"

#include <QImage>
#include <QPixmap>

// A still picture from a file. The picture is limited to 1280 x 720 when it loads; what is
// painted is a copy at the item's size, made fast while the user drags and smooth when the
// drag ends.
class PicLayer : public BasicLayer
{
    Q_OBJECT

public:
    explicit PicLayer(PreviewCenterData *centerData, QGraphicsItem *parent = nullptr);
    ~PicLayer() override;

    int layerType() const override { return LT_PICTURE; }
    void showContextMenu() override;

    // The picture in the file at path, decoded in full; a null image with the reason in error
    // when it is not one (not a regular file, damaged, too large to decode).
    static QImage readPicture(const QString &path, QString *error);
    // The size a new layer of a picture of pictureSize starts at.
    QSize initialSizeFor(const QSize &pictureSize) const;
    // Takes a new picture read from path; with resize, the item takes the picture's initial
    // size. A file that does not read leaves the item as it was (false).
    bool setPicPath(const QString &path, bool resize);
    // The same with the picture already read from path.
    void setPicture(const QString &path, const QImage &picture, bool resize);

    QString path() const { return m_path; }
    int alpha() const { return m_alpha; }
    void setAlpha(int alpha);
    bool hasPicture() const { return !m_picture.isNull(); }

public Q_SLOTS:
    void onEdit();
    void onDelete();
    void on_picChanged(QString imagePath);
    void on_alphaChanged(int alpha);
    void on_sigResizedOk(QRectF newRc);

protected:
    void paintContent(QPainter *painter) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void _rescale(Qt::TransformationMode mode);

    QPixmap m_picture;
    QPixmap m_scaledPicture;
    QString m_path;
    int m_alpha = 100;
    bool m_smooth = false; // m_scaledPicture was scaled smoothly
};
