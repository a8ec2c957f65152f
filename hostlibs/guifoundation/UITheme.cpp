#include "UITheme.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmapCache>

#include <cmath>

QColor UITheme::accent()
{
    return QColor(255, 122, 35);
}

QColor UITheme::accentDark()
{
    return QColor(214, 90, 20);
}

QColor UITheme::text()
{
    return QColor(51, 51, 51);
}

QColor UITheme::mutedText()
{
    return QColor(153, 153, 153);
}

QColor UITheme::border()
{
    return QColor(204, 204, 204);
}

QColor UITheme::hoverBorder()
{
    return QColor(255, 160, 96);
}

QColor UITheme::fieldBackground()
{
    return QColor(255, 255, 255);
}

QColor UITheme::disabledText()
{
    return QColor(176, 176, 176);
}

QFont UITheme::font(qreal pointSize)
{
    // Chinese text needs a face made for it: left to fontconfig's fallback it may come from a
    // calligraphic face, or with gaps between the glyphs. The first installed family of this
    // list draws it, Latin included, so both scripts share one look.
    QFont font = QGuiApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), font.family()});
    font.setPointSizeF(pointSize);
    return font;
}

namespace {

QString highResolutionPath(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash)
        return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

} // namespace

QPixmap UITheme::pixmap(const QString &path, qreal devicePixelRatio)
{
    if (path.isEmpty())
        return QPixmap();
    const bool wantsHigh = devicePixelRatio > 1.0;
    const QString key = QStringLiteral("uitheme:%1:%2").arg(wantsHigh ? 2 : 1).arg(path);
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    if (wantsHigh) {
        const QString high = highResolutionPath(path);
        if (QFileInfo::exists(high) && result.load(high))
            result.setDevicePixelRatio(2.0);
    }
    if (result.isNull())
        result.load(path);
    if (!result.isNull())
        QPixmapCache::insert(key, result);
    return result;
}

bool UITheme::imageExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    QImageReader reader(path);
    return reader.canRead();
}

qreal UITheme::devicePixelRatio(const QPainter *painter)
{
    const QPaintDevice *device = painter ? painter->device() : nullptr;
    return device ? device->devicePixelRatioF() : qApp ? qApp->devicePixelRatio() : 1.0;
}
