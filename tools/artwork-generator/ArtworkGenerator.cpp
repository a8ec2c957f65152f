#include "ArtworkGenerator.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// The product's accent colour and its darker edge.
const QColor Accent(255, 122, 35);
const QColor AccentDark(214, 90, 20);
const QString FontFamily = QStringLiteral("DejaVu Sans");

QPainterPath centred(QPainterPath path, const QRectF &area)
{
    path.translate(area.center() - path.boundingRect().center());
    return path;
}

QPainterPath textPath(const QString &text, int pixelSize, bool bold, bool italic = false,
                      qreal letterSpacing = 0)
{
    QFont font(FontFamily);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path;
}

void antialiased(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// PNG stores straight alpha; saving a premultiplied image would convert anyway, but being
// explicit keeps the files identical whichever way Qt chooses.
QImage forSaving(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QList<ArtworkGenerator::Picture> ArtworkGenerator::pictures() const
{
    // The watermark is stamped into video frames pixel for pixel: it has no @2x variant.
    QList<Picture> all = {{QStringLiteral("preview/tamber_watermark.png"), watermark()}};
    for (const qreal scale : {1.0, 2.0}) {
        const QString suffix = scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
        for (const auto &[name, draw] : _scalable())
            all.append({name + suffix, draw(scale)});
    }
    return all;
}

QList<QPair<QString, std::function<QImage(qreal)>>> ArtworkGenerator::_scalable()
{
    return {
        {QStringLiteral("preview/layer_bk"), &layerListBackground},
        {QStringLiteral("preview/no_camera_data"), &noCameraData},
        {QStringLiteral("preview/edit_frame_color"), &fontColorButton},
        {QStringLiteral("preview/edit_frame_blod"), &fontBoldButton},
        {QStringLiteral("preview/edit_frame_itr"), &fontItalicButton},
        {QStringLiteral("preview/edit_frame_under"), &fontUnderlineButton},
        {QStringLiteral("preview/edit_frame"), &colorPopupFrame},
        {QStringLiteral("preview/select_btn"), &selectButton},
        {QStringLiteral("preview/edit"), &editButton},
        {QStringLiteral("preview/delete"), &deleteButton},
        {QStringLiteral("preview/up"), &upButton},
        {QStringLiteral("preview/down"), &downButton},
        {QStringLiteral("preview/check_select"), &checkSelected},
        {QStringLiteral("preview/item_selected_mask"), &itemSelectedMask},
        {QStringLiteral("gui_scrollbar_slider"), &scrollBarSlider},
        {QStringLiteral("preview/item_hover"), &itemHover},
    };
}

QList<ArtworkGenerator::Picture> ArtworkGenerator::demoPictures() const
{
    return {{QStringLiteral("banner.png"), demoBanner()}};
}

QList<ArtworkGenerator::Picture> ArtworkGenerator::hostIcons() const
{
    const QList<QPair<QString, HostIcon>> icons = {
        {QStringLiteral("add-camera"), HostIcon::AddCamera},
        {QStringLiteral("add-text"), HostIcon::AddText},
        {QStringLiteral("add-picture"), HostIcon::AddPicture},
        {QStringLiteral("remove-camera"), HostIcon::RemoveCamera},
        {QStringLiteral("edit-layers"), HostIcon::EditLayers},
        {QStringLiteral("preview"), HostIcon::Preview},
        {QStringLiteral("layers"), HostIcon::Layers},
    };
    QList<Picture> pictures;
    for (const auto &[name, icon] : icons) {
        pictures.append({name + QStringLiteral(".png"), hostIcon(icon, 1)});
        pictures.append({name + QStringLiteral("@2x.png"), hostIcon(icon, 2)});
    }
    pictures.append({QStringLiteral("previewhost.png"), programIcon(1)});
    pictures.append({QStringLiteral("previewhost@2x.png"), programIcon(2)});
    return pictures;
}

bool ArtworkGenerator::writeHostIcons(const QString &iconDir, QString *error) const
{
    return _write(hostIcons(), iconDir, error);
}

bool ArtworkGenerator::writeAll(const QString &themeDir, QString *error) const
{
    return _write(pictures(), themeDir, error);
}

bool ArtworkGenerator::writeDemo(const QString &demoDir, QString *error) const
{
    return _write(demoPictures(), demoDir, error);
}

QImage ArtworkGenerator::demoBanner(qreal scale)
{
    QImage image = _transparent(320, 120, scale);
    QPainter painter(&image);
    antialiased(painter);
    QLinearGradient fill(0, 0, 320, 120);
    fill.setColorAt(0, Accent);
    fill.setColorAt(1, AccentDark);
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(2, 2, 316, 116), 18, 18);
    // The highlight stays inside the badge.
    QPainterPath badge;
    badge.addRoundedRect(QRectF(4, 4, 312, 112), 16, 16);
    painter.setClipPath(badge);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 60));
    painter.drawEllipse(QPointF(270, 20), 70, 70);
    painter.setClipping(false);
    painter.fillPath(centred(textPath(QStringLiteral("ZQ STUDIO"), 40, true), {16, 14, 288, 52}),
                     Qt::white);
    painter.fillPath(
        centred(textPath(QStringLiteral("live preview demo"), 22, false), {16, 70, 288, 34}),
        QColor(255, 240, 225));
    return image;
}

bool ArtworkGenerator::_write(const QList<Picture> &pictures, const QString &dir, QString *error)
{
    const QDir root(dir);
    for (const Picture &picture : pictures) {
        const QString path = root.filePath(picture.name);
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            *error = QStringLiteral("cannot create the folder of %1").arg(path);
            return false;
        }
        if (!forSaving(picture.image).save(path, "PNG")) {
            *error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
    }
    return true;
}

QImage ArtworkGenerator::_transparent(int width, int height, qreal scale)
{
    QImage image(qRound(width * scale), qRound(height * scale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

// A separable box blur run three times, which is close enough to a Gaussian for a soft shadow.
QImage ArtworkGenerator::_blurredAlpha(const QImage &source, int radius)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    std::vector<QRgb> line(size_t(std::max(w, h)));
    const auto blurLine = [&](auto get, auto set, int length) {
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = get(i);
        for (int i = 0; i < length; ++i) {
            int sum[4] = {0, 0, 0, 0};
            for (int k = std::max(0, i - radius); k <= std::min(length - 1, i + radius); ++k) {
                const QRgb p = line[size_t(k)];
                sum[0] += qRed(p);
                sum[1] += qGreen(p);
                sum[2] += qBlue(p);
                sum[3] += qAlpha(p);
            }
            // Pixels beyond the edge count as transparent, so the shadow fades out at borders.
            const int span = 2 * radius + 1;
            set(i, qRgba(sum[0] / span, sum[1] / span, sum[2] / span, sum[3] / span));
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            blurLine([row](int x) { return row[x]; }, [row](int x, QRgb v) { row[x] = v; }, w);
        }
        for (int x = 0; x < w; ++x) {
            blurLine(
                [&image, x](int y) { return reinterpret_cast<const QRgb *>(image.scanLine(y))[x]; },
                [&image, x](int y, QRgb v) { reinterpret_cast<QRgb *>(image.scanLine(y))[x] = v; },
                h);
        }
    }
    return image;
}

QImage ArtworkGenerator::watermark(qreal scale)
{
    const int width = 236;
    const int height = 136;
    const QRectF badge(10, 10, 216, 108);
    const qreal radius = 26;
    QPainterPath badgePath;
    badgePath.addRoundedRect(badge, radius, radius);

    // The soft shadow lifts the badge off light pictures; the dark rim separates it from dark ones.
    QImage shadow = _transparent(width, height);
    {
        QPainter painter(&shadow);
        antialiased(painter);
        painter.fillPath(badgePath.translated(0, 5), QColor(0, 0, 0, 150));
    }
    shadow = _blurredAlpha(shadow, 3);

    QImage image = _transparent(width, height);
    QPainter painter(&image);
    antialiased(painter);
    painter.drawImage(0, 0, shadow);

    QLinearGradient fill(badge.topLeft(), badge.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 152, 72, 236));
    fill.setColorAt(1.0, QColor(226, 84, 14, 236));
    painter.fillPath(badgePath, fill);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(48, 22, 8, 235), 3));
    painter.drawPath(badgePath);
    QPainterPath inner;
    inner.addRoundedRect(badge.adjusted(3, 3, -3, -3), radius - 3, radius - 3);
    painter.setPen(QPen(QColor(255, 255, 255, 230), 2));
    painter.drawPath(inner);

    // The play disc.
    const QPointF disc(60, 64);
    painter.setPen(QPen(QColor(48, 22, 8, 220), 2));
    painter.setBrush(Qt::white);
    painter.drawEllipse(disc, 32, 32);
    QPainterPath play;
    play.moveTo(disc + QPointF(-11, -18));
    play.lineTo(disc + QPointF(20, 0));
    play.lineTo(disc + QPointF(-11, 18));
    play.closeSubpath();
    painter.fillPath(play, QColor(226, 84, 14));

    // The wordmark: white letters with a dark outline.
    const QPainterPath zq = centred(textPath(QStringLiteral("ZQ"), 52, true), {104, 18, 112, 52});
    const QPainterPath live =
        centred(textPath(QStringLiteral("LIVE"), 27, true, false, 3), {104, 76, 112, 30});
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(48, 22, 8, 230), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(zq);
    painter.drawPath(live);
    painter.fillPath(zq, Qt::white);
    painter.fillPath(live, Qt::white);
    painter.fillRect(QRectF(112, 71, 96, 2), QColor(255, 255, 255, 200));
    return image;
}

QImage ArtworkGenerator::layerListBackground(qreal scale)
{
    QImage image = _transparent(404, 165, scale);
    QPainter painter(&image);
    antialiased(painter);
    painter.setPen(QPen(QColor(72, 72, 72), 1));
    painter.setBrush(QColor(38, 38, 38));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 403, 164), 4, 4);
    painter.setPen(QPen(QColor(255, 255, 255, 20), 1));
    painter.drawLine(QPointF(4, 1.5), QPointF(400, 1.5));
    return image;
}

QImage ArtworkGenerator::noCameraData(qreal scale)
{
    QImage image = _transparent(96, 72, scale);
    QPainter painter(&image);
    antialiased(painter);
    const QColor glyph(205, 205, 205);
    const QColor hole(70, 69, 69);

    painter.setPen(Qt::NoPen);
    painter.setBrush(glyph);
    painter.drawRoundedRect(QRectF(22, 18, 14, 8), 2, 2);
    painter.drawRoundedRect(QRectF(12, 22, 54, 36), 6, 6);
    painter.drawPolygon(QPolygonF({{68, 33}, {84, 24}, {84, 56}, {68, 47}}));
    painter.setBrush(hole);
    painter.drawEllipse(QPointF(39, 40), 12, 12);
    painter.setBrush(glyph);
    painter.drawEllipse(QPointF(39, 40), 7, 7);

    // The slash, set off from the glyph by a band of the item's own background colour.
    painter.setPen(QPen(hole, 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(14, 64), QPointF(82, 10));
    painter.setPen(QPen(Accent, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(14, 64), QPointF(82, 10));
    return image;
}

QImage ArtworkGenerator::_toolButton(const QString &glyph, bool bold, bool italic, bool underline,
                                     bool colourBar, qreal scale)
{
    QImage image = _transparent(21, 21, scale);
    QPainter painter(&image);
    antialiased(painter);
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 20, 20), 3, 3);

    const QColor ink(68, 68, 68);
    const bool lowered = underline || colourBar;
    const QRectF area = lowered ? QRectF(3, 2, 15, 12) : QRectF(3, 3, 15, 15);
    painter.fillPath(centred(textPath(glyph, 13, bold, italic), area), ink);
    if (underline)
        painter.fillRect(QRectF(6, 16, 9, 1.5), ink);
    if (colourBar)
        painter.fillRect(QRectF(5, 15.5, 11, 3), QColor(255, 0, 0));
    return image;
}

QImage ArtworkGenerator::fontColorButton(qreal scale)
{
    return _toolButton(QStringLiteral("A"), true, false, false, true, scale);
}

QImage ArtworkGenerator::fontBoldButton(qreal scale)
{
    return _toolButton(QStringLiteral("B"), true, false, false, false, scale);
}

QImage ArtworkGenerator::fontItalicButton(qreal scale)
{
    return _toolButton(QStringLiteral("I"), false, true, false, false, scale);
}

QImage ArtworkGenerator::fontUnderlineButton(qreal scale)
{
    return _toolButton(QStringLiteral("U"), false, false, true, false, scale);
}

QImage ArtworkGenerator::colorPopupFrame(qreal scale)
{
    QImage image = _transparent(142, 142, scale);
    QPainter painter(&image);
    antialiased(painter);
    painter.setPen(QPen(QColor(204, 204, 204), 1));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 141, 141), 4, 4);
    return image;
}

QImage ArtworkGenerator::selectButton(qreal scale)
{
    QImage image = _transparent(50, 30, scale);
    QPainter painter(&image);
    antialiased(painter);
    QLinearGradient fill(0, 0, 0, 30);
    fill.setColorAt(0.0, QColor(255, 142, 62));
    fill.setColorAt(1.0, QColor(240, 104, 20));
    painter.setPen(QPen(AccentDark, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 49, 29), 4, 4);
    return image;
}

QImage ArtworkGenerator::_managerButton(Icon icon, qreal scale)
{
    QImage image = _transparent(76, 32, scale);
    QPainter painter(&image);
    antialiased(painter);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0.0, QColor(74, 74, 74));
    fill.setColorAt(1.0, QColor(58, 58, 58));
    painter.setPen(QPen(QColor(92, 92, 92), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 75, 31), 4, 4);

    const QColor glyph(222, 222, 222);
    painter.translate(38, 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glyph);
    switch (icon) {
    case Icon::Pencil:
        painter.rotate(-45);
        painter.drawRect(QRectF(-8, -3, 13, 6));
        painter.drawPolygon(QPolygonF({{6, -3}, {11, 0}, {6, 3}}));
        painter.setBrush(Accent);
        painter.drawRect(QRectF(-11, -3, 2, 6));
        break;
    case Icon::Bin:
        painter.drawRect(QRectF(-3, -10, 6, 2));
        painter.drawRect(QRectF(-8, -8, 16, 2));
        painter.drawPolygon(QPolygonF({{-6, -5}, {6, -5}, {5, 10}, {-5, 10}}));
        painter.setBrush(QColor(66, 66, 66));
        painter.drawRect(QRectF(-2.75, -2, 1.5, 9));
        painter.drawRect(QRectF(1.25, -2, 1.5, 9));
        break;
    case Icon::Up:
    case Icon::Down:
        if (icon == Icon::Down)
            painter.rotate(180);
        painter.drawPolygon(
            QPolygonF({{0, -10}, {9, 0}, {3, 0}, {3, 10}, {-3, 10}, {-3, 0}, {-9, 0}}));
        break;
    }
    return image;
}

QImage ArtworkGenerator::editButton(qreal scale)
{
    return _managerButton(Icon::Pencil, scale);
}

QImage ArtworkGenerator::deleteButton(qreal scale)
{
    return _managerButton(Icon::Bin, scale);
}

QImage ArtworkGenerator::upButton(qreal scale)
{
    return _managerButton(Icon::Up, scale);
}

QImage ArtworkGenerator::downButton(qreal scale)
{
    return _managerButton(Icon::Down, scale);
}

QImage ArtworkGenerator::checkSelected(qreal scale)
{
    QImage image = _transparent(18, 18, scale);
    QPainter painter(&image);
    antialiased(painter);
    painter.setPen(QPen(AccentDark, 1));
    painter.setBrush(Accent);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 15, 15), 3, 3);
    QPainterPath tick;
    tick.moveTo(5, 9.5);
    tick.lineTo(8, 12.5);
    tick.lineTo(13.5, 5.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return image;
}

QImage ArtworkGenerator::itemSelectedMask(qreal scale)
{
    QImage image = _transparent(240, 24, scale);
    QPainter painter(&image);
    QColor wash = Accent;
    wash.setAlpha(64);
    painter.fillRect(QRectF(0, 0, 240, 24), wash);
    painter.fillRect(QRectF(0, 0, 3, 24), Accent);
    return image;
}

QImage ArtworkGenerator::itemHover(qreal scale)
{
    // A faint lift for the row under the mouse, lighter at its top edge.
    QImage image = _transparent(240, 24, scale);
    QPainter painter(&image);
    QLinearGradient wash(0, 0, 0, 24);
    wash.setColorAt(0, QColor(255, 255, 255, 30));
    wash.setColorAt(1, QColor(255, 255, 255, 14));
    painter.fillRect(QRectF(0, 0, 240, 24), wash);
    painter.fillRect(QRectF(0, 0, 240, 1), QColor(255, 255, 255, 36));
    return image;
}

QImage ArtworkGenerator::scrollBarSlider(qreal scale)
{
    QImage image = _transparent(11, 48, scale);
    QPainter painter(&image);
    antialiased(painter);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(120, 120, 120));
    painter.drawRoundedRect(QRectF(1.5, 0.5, 8, 47), 4, 4);
    painter.setPen(QPen(QColor(165, 165, 165), 1));
    for (const qreal y : {20.5, 23.5, 26.5})
        painter.drawLine(QPointF(3.5, y), QPointF(7.5, y));
    return image;
}

// The toolbar icons share one 24-unit grid: light glyphs with 2-unit strokes centred on whole
// units (so both scales land on pixel edges), the product's orange for what is active, and a
// round badge at the lower right for adding or removing.
namespace {

const QColor Glyph(228, 228, 232);
const QColor RemoveRed(232, 76, 61);

QPen glyphPen(qreal width = 2)
{
    return QPen(Glyph, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void drawCamera(QPainter &painter)
{
    painter.setPen(glyphPen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(3, 6, 11, 8), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Glyph);
    painter.drawPolygon(QPolygonF({{15, 9}, {21, 5.5}, {21, 14.5}, {15, 11}}));
}

} // namespace

void ArtworkGenerator::_drawBadge(QPainter &painter, Badge badge)
{
    const QPointF centre(19, 19);
    // A clear ring keeps the badge apart from the glyph below it.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(centre, 6, 6);
    painter.restore();
    painter.setPen(Qt::NoPen);
    painter.setBrush(badge == Badge::Add ? Accent : RemoveRed);
    painter.drawEllipse(centre, 4.75, 4.75);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(16, 18, 6, 2));
    if (badge == Badge::Add)
        painter.drawRect(QRectF(18, 16, 2, 6));
}

QImage ArtworkGenerator::hostIcon(HostIcon icon, int scale)
{
    QImage image = _transparent(24, 24, scale);
    QPainter painter(&image);
    antialiased(painter);
    switch (icon) {
    case HostIcon::AddCamera:
    case HostIcon::RemoveCamera:
        drawCamera(painter);
        _drawBadge(painter, icon == HostIcon::AddCamera ? Badge::Add : Badge::Remove);
        break;
    case HostIcon::AddText:
        painter.setPen(Qt::NoPen);
        painter.setBrush(Glyph);
        painter.drawRect(QRectF(3, 3, 15, 3));
        painter.drawRect(QRectF(9, 3, 3, 15));
        painter.drawRect(QRectF(7, 16, 7, 2));
        _drawBadge(painter, Badge::Add);
        break;
    case HostIcon::AddPicture:
        painter.setPen(glyphPen());
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(3, 4, 16, 12), 1.5, 1.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Glyph);
        painter.drawPolygon(QPolygonF({{4, 15}, {8.5, 9.5}, {11.5, 13}, {14, 10.5}, {18, 15}}));
        painter.drawEllipse(QPointF(14.5, 7.5), 1.5, 1.5);
        _drawBadge(painter, Badge::Add);
        break;
    case HostIcon::EditLayers: {
        // The preview's own selection: a frame with square handles.
        QPen frame(Glyph, 1.5);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(5, 5, 14, 14));
        painter.setPen(QPen(AccentDark, 1));
        painter.setBrush(Accent);
        for (const QPointF corner :
             {QPointF(5, 5), QPointF(19, 5), QPointF(5, 19), QPointF(19, 19)})
            painter.drawRect(QRectF(corner - QPointF(2.5, 2.5), QSizeF(5, 5)));
        // The mouse pointer that moves it.
        painter.setPen(QPen(QColor(38, 38, 42), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Glyph);
        painter.drawPolygon(QPolygonF({{9.5, 8.5},
                                       {9.5, 17.5},
                                       {11.75, 15.25},
                                       {13.5, 18.75},
                                       {15.25, 17.9},
                                       {13.5, 14.5},
                                       {16.5, 14.5}}));
        break;
    }
    case HostIcon::Preview: {
        QPainterPath eye;
        eye.moveTo(2, 12);
        eye.cubicTo(5.5, 6, 18.5, 6, 22, 12);
        eye.cubicTo(18.5, 18, 5.5, 18, 2, 12);
        painter.setPen(QPen(Glyph, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(eye);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Accent);
        painter.drawEllipse(QPointF(12, 12), 3.5, 3.5);
        painter.setBrush(QColor(255, 255, 255, 220));
        painter.drawEllipse(QPointF(13.25, 10.75), 1.1, 1.1);
        break;
    }
    case HostIcon::Layers: {
        painter.setPen(QPen(Glyph, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(QPolygonF({{3, 16}, {12, 21}, {21, 16}}));
        painter.drawPolyline(QPolygonF({{3, 12}, {12, 17}, {21, 12}}));
        painter.setPen(QPen(AccentDark, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Accent);
        painter.drawPolygon(QPolygonF({{12, 3}, {21, 8}, {12, 13}, {3, 8}}));
        break;
    }
    }
    return image;
}

QImage ArtworkGenerator::programIcon(int scale)
{
    QImage image = _transparent(64, 64, scale);
    QPainter painter(&image);
    antialiased(painter);
    QLinearGradient fill(0, 4, 0, 60);
    fill.setColorAt(0, QColor(255, 152, 72));
    fill.setColorAt(1, AccentDark);
    painter.setPen(QPen(QColor(48, 22, 8, 200), 1.5));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(4.75, 4.75, 54.5, 54.5), 13, 13);
    // The preview's frame with its corner handles around a play sign.
    painter.setPen(QPen(Qt::white, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(16, 19, 32, 26));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const QPointF corner :
         {QPointF(16, 19), QPointF(48, 19), QPointF(16, 45), QPointF(48, 45)})
        painter.drawRect(QRectF(corner - QPointF(3.5, 3.5), QSizeF(7, 7)));
    QPainterPath play;
    play.moveTo(28, 25);
    play.lineTo(39, 32);
    play.lineTo(28, 39);
    play.closeSubpath();
    painter.drawPath(play);
    return image;
}
