#include "UITheme.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmapCache>
#include <QWidget>

#include <algorithm>

#include <cmath>

QColor UITheme::accent()
{
    return QColor(255, 122, 35);
}

QColor UITheme::accentDark()
{
    return QColor(214, 90, 20);
}

QColor UITheme::mix(const QColor &from, const QColor &to, qreal fraction)
{
    const qreal t = std::clamp(fraction, 0.0, 1.0);
    const auto channel = [t](float a, float b) {
        return a + (b - a) * t;
    };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

bool UITheme::isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

qreal UITheme::contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](qreal v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor UITheme::color(Role role, const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    const QColor field = palette.color(QPalette::Active, QPalette::Base);
    const QColor fieldText = palette.color(QPalette::Active, QPalette::Text);
    // The greys are blends of the palette's own text and background, so they keep their
    // weight on any theme (a hint stays readable, a rim stays a rim).
    switch (role) {
    case NoRole:
        return QColor(Qt::transparent);
    case Window:
        return window;
    case Text:
        return text;
    case MutedText:
        return mix(window, text, 0.55);
    case Field:
        return field;
    case FieldText:
        return fieldText;
    case Border:
        return mix(window, text, 0.22);
    case Button:
        return isDark(palette) ? mix(window, text, 0.08) : field;
    case Hover:
        return mix(field, fieldText, 0.07);
    case Selection:
        return mix(field, accent(), 0.24);
    case Disabled:
        return mix(window, text, 0.35);
    }
    return text;
}

QColor UITheme::hoverBorder(const QPalette &palette)
{
    return mix(palette.color(QPalette::Active, QPalette::Window), accent(), 0.65);
}

void UITheme::usePaletteOf(QWidget *popup, const QWidget *owner)
{
    if (popup && owner)
        popup->setPalette(owner->palette());
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
