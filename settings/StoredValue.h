#pragma once

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

// The text forms of the values in the layer layout. Writers truncate toward zero; readers
// take a part that does not parse (a negative number included) as 0, and never fail.
class StoredValue
{
public:
    // General notation, at most 6 significant digits: 700, 0.05.
    static QString fromReal(double value);
    static QString fromInt(qint64 value) { return QString::number(value); }
    static QString fromBool(bool value)
    {
        return value ? QStringLiteral("1") : QStringLiteral("0");
    }
    // "x,y" and "w,h" of the truncated coordinates.
    static QString fromPoint(const QPointF &point);
    static QString fromSize(const QSizeF &size);
    // "r,g,b".
    static QString fromColor(const QColor &color);
    // Line feeds become "[n]".
    static QString fromText(const QString &text);

    // Unsigned decimal; anything else, or a number beyond int, gives 0.
    static int toUInt(const QString &text);
    static QPoint toPoint(const QString &text);
    static QSize toSize(const QString &text);
    // Opaque; each component beyond 255 is taken as 255.
    static QColor toColor(const QString &text);
    // "[n]" becomes a line feed.
    static QString toText(const QString &text);
};
