#pragma once

#include "BasicLayer.h"

#include <QPixmap>

#include <optional>

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

    // The size a new layer of this picture starts at, or none when the file does not load.
    std::optional<QSize> initialSizeFor(const QString &path) const;
    // Loads the picture itself, at most 1280 x 720; false when the file does not load.
    bool loadPicture(const QString &path);
    // Takes a new picture; with resize, the item takes the picture's initial size.
    void setPicPath(const QString &path, bool resize);

    QString path() const { return m_path; }
    int alpha() const { return m_alpha; }
    void setAlpha(int alpha);

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
