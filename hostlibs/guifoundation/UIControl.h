#pragma once

#include "guifoundation_global.h"
#include "UITheme.h"

#include <QGraphicsWidget>
#include <QMarginsF>

#include <memory>

class QGraphicsView;
class UIControlPrivate;

// The base of every control: a graphics widget that lays out its children in a row, a column,
// or not at all (free placement: children keep the geometry they are given, which is what the
// preview scene and its layer items use). It paints an optional background colour and picture.
//
// A control becomes the QObject child of the graphics object it is placed in, so a window finds
// its controls with findChild<T>(objectName).
class GUIFOUNDATION_EXPORT UIControl : public QGraphicsWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(UITheme::Role backgroundRole READ backgroundRole WRITE setBackgroundRole)
    Q_PROPERTY(QString backgroundImage READ backgroundImage WRITE setBackgroundImage)
    Q_PROPERTY(int dragFlag READ dragFlag WRITE setDragFlag)
    Q_PROPERTY(qreal spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(QMarginsF margins READ margins WRITE setMargins)

public:
    enum LayoutType { HorizontalLayout = 0, VerticalLayout = 1, FreeLayout = 2 };
    Q_ENUM(LayoutType)

    // What a left drag on the control does. NoDrag: the control ignores the press, so it
    // reaches what lies below (a frameless window then moves with the mouse). DragItems: the
    // control takes the press and starts drag-and-drop of its own items (list views and their
    // rows). DragChildren: the control takes the press; its children are moved inside it (the
    // preview scene).
    enum DragFlag { NoDrag = 0, DragItems = 1, DragChildren = 2 };
    Q_ENUM(DragFlag)

    explicit UIControl(QGraphicsItem *parent = nullptr);
    ~UIControl() override;

    qreal width() const;
    qreal height() const;
    void setWidth(qreal width);
    void setHeight(qreal height);
    // Fixes minimum, preferred and maximum size and resizes to it.
    void setFixSize(const QSizeF &size);
    void setFixWidth(qreal width);
    void setFixHeight(qreal height);

    // The space between the control's edge and its laid-out children.
    QMarginsF margins() const;
    virtual void setMargins(const QMarginsF &margins);
    qreal spacing() const;
    void setSpacing(qreal spacing);

    // LayoutType as int; unknown values are ignored. Children added with addItem keep their
    // order across changes of type.
    int layoutType() const;
    void setLayout(int type);
    using QGraphicsWidget::setLayout;

    // Where the children sit when the row or column is longer than they need (main axis), and
    // how each child sits across it unless it was added with an alignment of its own. Default:
    // left and vertically centred in a row, top and left in a column.
    Qt::Alignment contentAlignment() const;
    void setContentAlignment(Qt::Alignment alignment);

    // Laid-out children. A widget added here becomes a child item of this control. A stretch
    // above 0 lets the item grow along the main axis.
    void addItem(QGraphicsLayoutItem *item, int stretch = 0, Qt::Alignment alignment = {});
    void insertItem(int index, QGraphicsLayoutItem *item, int stretch = 0,
                    Qt::Alignment alignment = {});
    // Takes the item out of the layout; a widget stays a child item.
    void removeItem(QGraphicsLayoutItem *item);
    // Fixed empty space, and space that grows.
    void addSpacing(qreal size);
    void addStretch(int stretch = 1);
    int itemCount() const;
    QGraphicsLayoutItem *itemAt(int index) const;

    // A background colour of its own, or (the default, transparent) none: then the colour
    // of the background role, taken from the control's palette, if it has one.
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor &color);
    UITheme::Role backgroundRole() const;
    void setBackgroundRole(UITheme::Role role);
    QString backgroundImage() const;
    void setBackgroundImage(const QString &path);

    int dragFlag() const;
    void setDragFlag(int flag);

    // The first view that shows the control's scene, or null.
    QGraphicsView *graphicsView() const;
    // A point of the control in screen coordinates (the origin when it is in no view).
    QPoint mapToGlobal(const QPointF &pos = QPointF()) const;
    // The control's rectangle in screen coordinates.
    QRect globalRect() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    UIControl(UIControlPrivate &dd, QGraphicsItem *parent);

    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

    const std::unique_ptr<UIControlPrivate> d_ptr;

private:
    Q_DECLARE_PRIVATE(UIControl)
    Q_DISABLE_COPY(UIControl)
};
