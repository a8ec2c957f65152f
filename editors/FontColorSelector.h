#pragma once

#include <guifoundation/UIControl.h>

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QVariantList>

// A grid of colour cells, read from the shipped colour table (":/layout/fontcolors.xml"). The
// cell under the pointer is framed and reported with colorEnter(); a click reports
// colorSelected(). The control takes the size its cells need.
class FontColorSelector : public UIControl
{
    Q_OBJECT
    // Row by row: "row", the number of colours, then each colour as hexadecimal ARGB text.
    Q_PROPERTY(QVariantList data READ data WRITE setData)
    Q_PROPERTY(QSizeF blockSize READ blockSize WRITE setBlockSize)
    Q_PROPERTY(QSizeF gapSize READ gapSize WRITE setGapSize)

public:
    explicit FontColorSelector(QGraphicsItem *parent = nullptr);
    ~FontColorSelector() override;

    QVariantList data() const;
    void setData(const QVariantList &data);
    QSizeF blockSize() const { return m_blockSize; }
    void setBlockSize(const QSizeF &size);
    QSizeF gapSize() const { return m_gapSize; }
    void setGapSize(const QSizeF &size);
    void setMargins(const QMarginsF &margins) override;
    void clear();

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return int(m_columns); }
    // The colour of a cell; invalid outside the grid or in a short row.
    QColor colorAt(int row, int column) const;
    // Where the cell at (row, column) is drawn, in the control's coordinates.
    QRectF cellRect(int row, int column) const;

    // The colour table file's rows as setData() takes them; empty when it cannot be read.
    static QVariantList readColorTable(const QString &path);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

Q_SIGNALS:
    void sizeChanged(const QSizeF &size);
    void updateSize();
    void colorEnter(const QColor &color);
    void colorSelected(const QColor &color);

public Q_SLOTS:
    void on_updateSize();

protected:
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    bool _hasGrid() const;
    // The cell under pos; false when pos lies past the last row or column.
    bool _cellAt(const QPointF &pos, int *row, int *column) const;
    void _setHover(const QRectF &rect);
    void _hoverAt(const QPointF &pos);

    QList<QList<QColor>> m_rows;
    QSizeF m_blockSize{20, 10};
    QSizeF m_gapSize{4, 4};
    unsigned int m_columns = 0;
    QRectF m_hoverRect;
    QMarginsF m_margins;
};
