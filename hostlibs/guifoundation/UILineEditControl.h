#pragma once

#include "UIControl.h"

class QLineEdit;
class UILineEditControlPrivate;

// A one-line text field (a QLineEdit: selection, clipboard, undo and input methods included).
class GUIFOUNDATION_EXPORT UILineEditControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QString placeholder READ placeholder WRITE setPlaceholder)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly)

public:
    explicit UILineEditControl(QGraphicsItem *parent = nullptr);
    ~UILineEditControl() override;

    QString text() const;
    void setText(const QString &text);
    QString placeholder() const;
    void setPlaceholder(const QString &text);
    int maxLength() const;
    void setMaxLength(int length);
    bool isReadOnly() const;
    void setReadOnly(bool readOnly);

    QLineEdit *lineEdit() const;

Q_SIGNALS:
    void textChanged(const QString &text);
    void textEdited(const QString &text);
    void returnPressed();
    void editingFinished();

protected:
    UILineEditControl(UILineEditControlPrivate &dd, QGraphicsItem *parent);
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    Q_DECLARE_PRIVATE(UILineEditControl)
};
