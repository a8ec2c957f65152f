#pragma once

// The layout behind UIControl: a row, a column, or free placement. Internal to the library.

#include <QGraphicsLayout>
#include <QList>
#include <QMarginsF>

#include <memory>
#include <vector>

class UIBoxLayout : public QGraphicsLayout
{
public:
    enum Mode { Row = 0, Column = 1, Free = 2 };

    explicit UIBoxLayout(QGraphicsLayoutItem *parent = nullptr);
    ~UIBoxLayout() override;

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    QMarginsF margins() const { return m_margins; }
    void setMargins(const QMarginsF &margins);
    qreal spacing() const { return m_spacing; }
    void setSpacing(qreal spacing);
    Qt::Alignment contentAlignment() const { return m_alignment; }
    void setContentAlignment(Qt::Alignment alignment);

    void insertItem(int index, QGraphicsLayoutItem *item, int stretch, Qt::Alignment alignment);
    void insertSpacer(int index, qreal size, int stretch);
    bool removeItem(QGraphicsLayoutItem *item);

    int count() const override;
    QGraphicsLayoutItem *itemAt(int index) const override;
    void removeAt(int index) override;
    void setGeometry(const QRectF &rect) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void getContentsMargins(qreal *left, qreal *top, qreal *right, qreal *bottom) const override;

private:
    struct Entry
    {
        QGraphicsLayoutItem *item;
        int stretch;
        Qt::Alignment alignment;
    };

    qreal _main(const QSizeF &size) const;
    qreal _cross(const QSizeF &size) const;
    bool _grows(const Entry &entry) const;
    bool _isSpacer(const QGraphicsLayoutItem *item) const;
    void _layoutLine(const QRectF &area);

    QList<Entry> m_entries;
    std::vector<std::unique_ptr<QGraphicsLayoutItem>> m_spacers;
    Mode m_mode = Column;
    QMarginsF m_margins;
    qreal m_spacing = 0;
    Qt::Alignment m_alignment;
};
