#pragma once

#include <guifoundation/UIWindow.h>

#include <QPointer>

class UIControl;

// The text editor's colour pop-up: the colour grid above a sample text, and "more colors" for
// any other colour through Qt's colour dialog. It opens beside the button that opened it,
// previews the colour under the pointer on the sample (on a backdrop it reads on, should it be
// close to the window's own colour), reports a choice with colorSelected() and closes.
// Clicking elsewhere closes it; it never leaves the screen.
class FontColorWindow : public UIWindow
{
    Q_OBJECT

public:
    explicit FontColorWindow(QWidget *parent = nullptr);
    ~FontColorWindow() override;

    // Builds the window from ":/layout/fontcolorwidow.xml"; null when that fails.
    static FontColorWindow *create(QWidget *parent);

    // Opens the window next to anchor with a sample in font (at 15 points) and color.
    void showFor(UIControl *anchor, const QFont &font, const QColor &color);

Q_SIGNALS:
    void colorSelected(const QColor &color);

private Q_SLOTS:
    void onSelectorSizeChanged(const QSizeF &size);
    void on_colorWidget_colorEnter(const QColor &color);
    void on_colorWidget_colorSelected(const QColor &color);
    void on_moreColorsButton_clicked();

protected:
    void setupUi() override;
    void focusOutEvent(QFocusEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Right edge at the anchor's left edge, bottom 6 pixels above its top, moved back onto the
    // anchor's screen when that would leave it.
    void _place();
    void _showSample(const QColor &color);

    QPointer<UIControl> m_anchor;
    QColor m_color;
};
