#include "FontColorSelector.h"

#include <guifoundation/UIRegistration.h>

#include <QFile>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QXmlStreamReader>

#include <cmath>

UI_REGISTER_CONTROL(FontColorSelector);

namespace {

const QLatin1String RowMark("row");
// Sanity bounds: a broken table must not make a grid of millions of cells.
constexpr int MaxCells = 4096;

} // namespace

FontColorSelector::FontColorSelector(QGraphicsItem *parent)
    : UIControl(parent)
{
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    // Several setters may change the size in a row (the layout sets block, gap and margins):
    // the size is worked out once, when control returns to the event loop.
    connect(this, &FontColorSelector::updateSize, this, &FontColorSelector::on_updateSize,
            Qt::QueuedConnection);
    setData(readColorTable(QStringLiteral(":/layout/fontcolors.xml")));
}

FontColorSelector::~FontColorSelector() = default;

QVariantList FontColorSelector::readColorTable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader reader(&file);
    QVariantList list;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth != 2 || reader.name() != RowMark)
                continue;
            list << QString(RowMark);
            QStringList colors;
            if (reader.attributes().hasAttribute(QLatin1String("colors"))) {
                const QStringList pieces = reader.attributes()
                                               .value(QLatin1String("colors"))
                                               .toString()
                                               .split(QLatin1Char(','));
                for (const QString &piece : pieces) {
                    if (!piece.trimmed().isEmpty())
                        colors << piece.trimmed();
                }
            }
            list << int(colors.size());
            for (const QString &color : std::as_const(colors))
                list << color;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return reader.hasError() ? QVariantList() : list;
}

QVariantList FontColorSelector::data() const
{
    QVariantList list;
    for (const QList<QColor> &row : m_rows) {
        list << QString(RowMark) << int(row.size());
        for (const QColor &color : row)
            list << QString::number(color.rgba(), 16);
    }
    return list;
}

void FontColorSelector::setData(const QVariantList &data)
{
    clear();
    int cells = 0;
    for (int i = 0; i < data.size(); ++i) {
        if (data.at(i).toString() != RowMark)
            continue;
        if (i + 1 >= data.size())
            break;
        bool ok = false;
        const int count = data.at(i + 1).toInt(&ok);
        // A short list ends the grid at the last complete row.
        if (!ok || count < 0 || data.size() - (i + 2) < count || cells + count > MaxCells)
            break;
        QList<QColor> row;
        row.reserve(count);
        for (int j = 0; j < count; ++j) {
            // Not hexadecimal: black. The alpha digits are not ours to honour.
            const uint argb = data.at(i + 2 + j).toString().toUInt(nullptr, 16);
            row << QColor::fromRgb(argb | 0xff000000u);
        }
        cells += count;
        m_rows << row;
        m_columns = std::max(m_columns, static_cast<unsigned int>(count));
        i += 1 + count;
    }
    Q_EMIT updateSize();
}

void FontColorSelector::setBlockSize(const QSizeF &size)
{
    if (qFuzzyCompare(size.width(), m_blockSize.width()) &&
        qFuzzyCompare(size.height(), m_blockSize.height()))
        return;
    m_blockSize = size;
    Q_EMIT updateSize();
}

void FontColorSelector::setGapSize(const QSizeF &size)
{
    if (qFuzzyCompare(size.width(), m_gapSize.width()) &&
        qFuzzyCompare(size.height(), m_gapSize.height()))
        return;
    m_gapSize = size;
    Q_EMIT updateSize();
}

void FontColorSelector::setMargins(const QMarginsF &margins)
{
    if (margins == m_margins)
        return;
    m_margins = margins;
    UIControl::setMargins(margins);
    Q_EMIT updateSize();
}

void FontColorSelector::clear()
{
    m_hoverRect.setWidth(0);
    m_columns = 0;
    m_rows.clear();
    Q_EMIT updateSize();
}

QColor FontColorSelector::colorAt(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_rows.at(row).size())
        return QColor();
    return m_rows.at(row).at(column);
}

QRectF FontColorSelector::cellRect(int row, int column) const
{
    return QRectF(m_margins.left() + column * (m_blockSize.width() + m_gapSize.width()),
                  m_margins.top() + row * (m_blockSize.height() + m_gapSize.height()),
                  m_blockSize.width(), m_blockSize.height());
}

void FontColorSelector::on_updateSize()
{
    const qreal c = m_columns;
    const qreal r = m_rows.size();
    const qreal width = (c == 0 ? 0 : c * m_blockSize.width() + (c - 1) * m_gapSize.width()) +
                        m_margins.left() + m_margins.right();
    const qreal height = (r == 0 ? 0 : r * m_blockSize.height() + (r - 1) * m_gapSize.height()) +
                         m_margins.top() + m_margins.bottom();
    setFixSize(QSizeF(width, height));
}

void FontColorSelector::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    UIControl::resizeEvent(event);
    Q_EMIT sizeChanged(size());
}

bool FontColorSelector::_hasGrid() const
{
    return m_blockSize.width() > 0 && m_blockSize.height() > 0 && m_columns != 0 &&
           !m_rows.isEmpty();
}

bool FontColorSelector::_cellAt(const QPointF &pos, int *row, int *column) const
{
    if (!_hasGrid())
        return false;
    // Left of or above the margin counts as the first column or row; a point in a gap as the
    // cell left of or above it.
    const qreal x = std::max<qreal>(0, pos.x() - m_margins.left());
    const qreal y = std::max<qreal>(0, pos.y() - m_margins.top());
    const qreal c = std::trunc(x / (m_blockSize.width() + m_gapSize.width()));
    const qreal r = std::trunc(y / (m_blockSize.height() + m_gapSize.height()));
    if (c >= m_columns || r >= m_rows.size())
        return false;
    *column = int(c);
    *row = int(r);
    return true;
}

void FontColorSelector::_setHover(const QRectF &rect)
{
    if (rect == m_hoverRect)
        return;
    m_hoverRect = rect;
    update();
}

void FontColorSelector::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    UIControl::hoverEnterEvent(event);
    // The pointer may come in straight onto a cell.
    _hoverAt(event->pos());
}

void FontColorSelector::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    UIControl::hoverMoveEvent(event);
    _hoverAt(event->pos());
}

void FontColorSelector::_hoverAt(const QPointF &pos)
{
    int row = 0;
    int column = 0;
    if (!_cellAt(pos, &row, &column)) {
        _setHover(QRectF());
        return;
    }
    const QColor color = colorAt(row, column);
    if (color.isValid())
        Q_EMIT colorEnter(color);
    _setHover(cellRect(row, column).adjusted(-2, -2, 2, 2));
}

void FontColorSelector::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    UIControl::hoverLeaveEvent(event);
    _setHover(QRectF());
}

void FontColorSelector::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    UIControl::mousePressEvent(event);
    int row = 0;
    int column = 0;
    if (event->button() != Qt::LeftButton || !_cellAt(event->pos(), &row, &column))
        return;
    const QColor color = colorAt(row, column);
    if (!color.isValid())
        return;
    // Taken here: a press on a colour must not start moving the pop-up.
    event->accept();
    Q_EMIT colorSelected(color);
}

void FontColorSelector::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                              QWidget *widget)
{
    UIControl::paint(painter, option, widget);
    if (!_hasGrid())
        return;
    if (m_hoverRect.width() > 0)
        painter->fillRect(m_hoverRect, QColor(171, 232, 224, 255));
    for (int i = 0; i < m_rows.size(); ++i) {
        const QList<QColor> &row = m_rows.at(i);
        for (int j = 0; j < row.size(); ++j)
            painter->fillRect(cellRect(i, j), row.at(j));
    }
}
