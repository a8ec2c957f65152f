#include "StoredValue.h"

#include <QStringList>

#include <limits>

namespace {

int part(const QStringList &parts, int index)
{
    return index < parts.size() ? StoredValue::toUInt(parts.at(index)) : 0;
}

const QString LineFeedMark = QStringLiteral("[n]");

} // namespace

QString StoredValue::fromReal(double value)
{
    // QString::number, unlike arg(), ignores the locale: the file must not depend on it.
    return QString::number(value, 'g', 6);
}

QString StoredValue::fromPoint(const QPointF &point)
{
    return QStringLiteral("%1,%2")
        .arg(static_cast<qint64>(point.x()))
        .arg(static_cast<qint64>(point.y()));
}

QString StoredValue::fromSize(const QSizeF &size)
{
    return QStringLiteral("%1,%2")
        .arg(static_cast<qint64>(size.width()))
        .arg(static_cast<qint64>(size.height()));
}

QString StoredValue::fromColor(const QColor &color)
{
    return QStringLiteral("%1,%2,%3").arg(color.red()).arg(color.green()).arg(color.blue());
}

QString StoredValue::fromText(const QString &text)
{
    QString stored = text;
    return stored.replace(QLatin1Char('\n'), LineFeedMark);
}

int StoredValue::toUInt(const QString &text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > static_cast<uint>(std::numeric_limits<int>::max()))
        return 0;
    return static_cast<int>(value);
}

QPoint StoredValue::toPoint(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    return QPoint(part(parts, 0), part(parts, 1));
}

QSize StoredValue::toSize(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    return QSize(part(parts, 0), part(parts, 1));
}

QColor StoredValue::toColor(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    return QColor(qMin(part(parts, 0), 255), qMin(part(parts, 1), 255), qMin(part(parts, 2), 255),
                  255);
}

QString StoredValue::toText(const QString &text)
{
    QString plain = text;
    return plain.replace(LineFeedMark, QStringLiteral("\n"));
}
