#pragma once

#include "BaseThemeWindow.h"

class TipMessageWindowPrivate;

// A short notice: a caption, a message, an optional second line and an OK button (with
// Cancel too when asked). It deletes itself when closed; owners keep it in a QPointer and make
// a new one when that is empty.
class APPCOMMON_EXPORT TipMessageWindow : public BaseThemeWindow
{
    Q_OBJECT

public:
    explicit TipMessageWindow(QWidget *parent = nullptr);
    ~TipMessageWindow() override;

    // A tip window owned by owner (its parent widget; it is placed over the owner's window).
    static TipMessageWindow *createWindow(QWidget *owner);

    // message: the notice. text: a second, smaller line (none when empty). withCancel: offer
    // Cancel beside OK. caption: the title.
    void setContent(const QString &message, const QString &text, bool withCancel,
                    const QString &caption);
    QString message() const;

Q_SIGNALS:
    void accepted();
    void rejected();

private Q_SLOTS:
    void on_okButton_clicked();
    void on_cancelButton_clicked();

protected:
    TipMessageWindow(TipMessageWindowPrivate &dd, QWidget *parent);

private:
    void _fitHeight();

    Q_DECLARE_PRIVATE(TipMessageWindow)
};
