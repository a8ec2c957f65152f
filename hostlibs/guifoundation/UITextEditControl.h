#pragma once

#include "UIControl.h"

#include <QTextCursor>

class QTextEdit;
class UITextEditControlPrivate;

// A multi-line plain text box (a QTextEdit: selection, clipboard, undo and input methods
// included). With a maximum length, input beyond it is dropped where it was typed or pasted;
// textChanged() is emitted only for texts within the limit.
class GUIFOUNDATION_EXPORT UITextEditControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QString placeholder READ placeholder WRITE setPlaceholder)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)

public:
    explicit UITextEditControl(QGraphicsItem *parent = nullptr);
    ~UITextEditControl() override;

    QTextEdit *qTextEdit() const;
    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor &cursor);

    // The plain text.
    QString text() const;
    void setText(const QString &text);
    QString placeholder() const;
    void setPlaceholder(const QString &text);

    // In characters; 0 or less means no limit (the default).
    int maxLength() const;
    void setMaxLength(int length);
    // Whether a right click opens Qt's standard edit menu (on by default).
    void setDefaultContextMenuEnable(bool enable);

Q_SIGNALS:
    void textChanged();

protected:
    UITextEditControl(UITextEditControlPrivate &dd, QGraphicsItem *parent);
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    void _onTextChanged();

    Q_DECLARE_PRIVATE(UITextEditControl)
};
