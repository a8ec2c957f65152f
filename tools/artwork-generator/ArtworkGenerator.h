#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// Draws every picture of the product's theme with QPainter. The pictures are plain functions of
// the code and the installed fonts, so regenerating them gives the same files.
class ArtworkGenerator
{
public:
    struct Picture
    {
        QString name; // relative to the theme folder, e.g. "preview/edit.png"
        QImage image;
    };

    // Every picture, in a stable order: the theme at scale 1 and, for the pictures the windows
    // show, their "@2x" variants drawn at scale 2 (Qt picks them on high-density screens).
    QList<Picture> pictures() const;

    // The reference host's demo pictures (its picture layer), in a stable order.
    QList<Picture> demoPictures() const;

    // The reference host's window icons: toolbar icons of 24 x 24 and the program's 64 x 64
    // icon, each also as "@2x" at twice the size.
    QList<Picture> hostIcons() const;

    // Writes all pictures below themeDir, creating folders as needed. On failure returns false
    // and describes the first problem in *error.
    bool writeAll(const QString &themeDir, QString *error) const;
    bool writeDemo(const QString &demoDir, QString *error) const;
    bool writeHostIcons(const QString &iconDir, QString *error) const;

    enum class HostIcon {
        AddCamera,
        AddText,
        AddPicture,
        RemoveCamera,
        EditLayers,
        Preview,
        Layers,
    };
    // One toolbar icon at scale 1 (24 x 24) or 2 (48 x 48), drawn on the pixel grid of both.
    static QImage hostIcon(HostIcon icon, int scale);
    // The program's icon at scale 1 (64 x 64) or 2.
    static QImage programIcon(int scale);

    // The product's mark stamped into every broadcast frame: 236 x 136, real alpha, readable on
    // light and dark pictures alike.
    static QImage watermark(qreal scale = 1);
    // A 320 x 120 sponsor banner in the product's colours, for the demo layout's picture layer.
    static QImage demoBanner(qreal scale = 1);
    static QImage layerListBackground(qreal scale = 1);
    static QImage noCameraData(qreal scale = 1);
    static QImage fontColorButton(qreal scale = 1);
    static QImage fontBoldButton(qreal scale = 1);
    static QImage fontItalicButton(qreal scale = 1);
    static QImage fontUnderlineButton(qreal scale = 1);
    static QImage colorPopupFrame(qreal scale = 1);
    static QImage selectButton(qreal scale = 1);
    static QImage editButton(qreal scale = 1);
    static QImage deleteButton(qreal scale = 1);
    static QImage upButton(qreal scale = 1);
    static QImage downButton(qreal scale = 1);
    static QImage checkSelected(qreal scale = 1);
    static QImage itemSelectedMask(qreal scale = 1);
    static QImage scrollBarSlider(qreal scale = 1);
    static QImage itemHover(qreal scale = 1);

private:
    // The theme pictures that also ship at scale 2, by name without extension.
    static QList<QPair<QString, std::function<QImage(qreal)>>> _scalable();
    static bool _write(const QList<Picture> &pictures, const QString &dir, QString *error);
    // A transparent canvas of width x height logical pixels at the given scale: painting on it
    // uses logical coordinates.
    static QImage _transparent(int width, int height, qreal scale = 1);
    static QImage _blurredAlpha(const QImage &source, int radius);
    static QImage _toolButton(const QString &glyph, bool bold, bool italic, bool underline,
                              bool colourBar, qreal scale);
    enum class Icon { Pencil, Bin, Up, Down };
    enum class Badge { Add, Remove };
    static QImage _managerButton(Icon icon, qreal scale);
    static void _drawBadge(QPainter &painter, Badge badge);
};
