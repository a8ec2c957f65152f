#pragma once

#include "UIControl.h"

class UILabelControlPrivate;

// A line (or, with word wrap, a paragraph) of text. Text that does not fit on one line is
// elided at the end; isElided() tells callers that want to offer the whole text as a tool tip.
class GUIFOUNDATION_EXPORT UILabelControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(UITheme::Role textRole READ textRole WRITE setTextRole)
    Q_PROPERTY(QFont font READ font WRITE setFont)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool wordWrap READ wordWrap WRITE setWordWrap)

public:
    explicit UILabelControl(QGraphicsItem *parent = nullptr);
    ~UILabelControl() override;

    QString text() const;
    void setText(const QString &text);
    // The colour the text is drawn in: the label's own, or the text role's from its palette.
    QColor textColor() const;
    // An invalid colour goes back to the text role.
    void setTextColor(const QColor &color);
    // UITheme::Text unless set.
    UITheme::Role textRole() const;
    void setTextRole(UITheme::Role role);
    QFont font() const;
    void setFont(const QFont &font);
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);
    bool wordWrap() const;
    void setWordWrap(bool wrap);

    // True when the text is wider than the label and is shown elided.
    bool isElided() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    UILabelControl(UILabelControlPrivate &dd, QGraphicsItem *parent);
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    Q_DECLARE_PRIVATE(UILabelControl)
};
