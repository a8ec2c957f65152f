#pragma once

#include "UIControl.h"

class QComboBox;
class QStandardItemModel;
class UIComboBoxControlPrivate;

// A combo box over a QStandardItemModel. The list opens as a top-level pop-up under the
// control, so it is never clipped by the window, whatever the window's size.
class GUIFOUNDATION_EXPORT UIComboBoxControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
    Q_PROPERTY(QStringList items READ items WRITE setItems)

public:
    explicit UIComboBoxControl(QGraphicsItem *parent = nullptr);
    ~UIComboBoxControl() override;

    QStandardItemModel *model() const;
    // Shows model's rows (column 0). A model without a parent becomes the control's, and a
    // model the control owned before is deleted.
    void setModel(QStandardItemModel *model);
    // The rows' texts; setting them replaces the rows.
    QStringList items() const;
    void setItems(const QStringList &texts);

    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    QString currentText() const;

    QComboBox *comboBox() const;
    // Opens and closes the list as a click on the control does.
    void showPopup();
    void hidePopup();
    bool isPopupVisible() const;

Q_SIGNALS:
    void currentIndexChanged(int index);
    void currentTextChanged(const QString &text);
    // The user chose a row (also the current one).
    void activated(int index);

protected:
    UIComboBoxControl(UIComboBoxControlPrivate &dd, QGraphicsItem *parent);
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    Q_DECLARE_PRIVATE(UIComboBoxControl)
};
