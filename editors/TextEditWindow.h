#pragma once

#include "FontInfoConfig.h"
#include "LayerEditor.h"
#include "TextLayerData.h"

#include <appcommon/BaseThemeWindow.h>

#include <QColor>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <string>

class BasicLayerData;
class FontColorWindow;
class IPreviewController;
class UIButtonControl;
class UIComboBoxControl;
class UILabelControl;
class UITextEditControl;

// The text layer's editor: the text, its font family, point size, bold, italic, underline and
// colour. Every accepted change goes to the layer at once; a change that would push the text
// out of the scene is refused (typing) or moves the layer back in (when moving is enough). The
// text is measured by the layer item itself, so the editor and the preview agree at every
// output size. OK has the host check the text against its filter words and confirms on a
// valid answer for the text that was checked. The request stands while the user goes on
// editing; the message line says that the window waits, that the text was refused, that no
// answer came within two seconds (a late answer still counts), or that the text changed while
// it was being checked.
class TextEditWindow : public BaseThemeWindow, public LayerEditor<TextEditWindow, TextLayerData>
{
    Q_OBJECT

public:
    static constexpr int MaxTextLength = 100;
    static constexpr int TypedTextLength = 30;
    static constexpr int CheckTimeoutMs = 2000;

    explicit TextEditWindow(QWidget *parent = nullptr);
    ~TextEditWindow() override;

    // Builds the window from ":/layout/texteditwindow.xml"; controller carries the filter-word
    // requests and answers. Null when the layout cannot be built.
    static TextEditWindow *create(IPreviewController *controller, QWidget *parent);

    void setLayerData(BasicLayerData *record) override;

Q_SIGNALS:
    void fontOrColorChanged(const FontInfoConfig &config, const QString &text);
    void geometryChanged(const QRectF &rect);
    void confirmed(BasicLayerData *layer);
    void discarded(BasicLayerData *layer);

private Q_SLOTS:
    void on_buttonFontColor_clicked();
    void on_colorSelected(const QColor &color);
    void on_buttonFontBold_clicked();
    void on_buttonFontItalic_clicked();
    void on_buttonFontUnderline_clicked();
    void on_textedite_textChanged();
    void on_fontNamesCombobox_currentIndexChanged(int index);
    void on_fontHeightCombobox_currentIndexChanged(int index);
    void on_okBtn_clicked();
    void on_cancelBtn_clicked();
    void on_aboutToClose();
    void on_checkWordTimeOut();
    void on_FilterWordResult(const std::string &taskId, bool bValid);

protected:
    void setupUi() override;

private:
    enum class Style { Bold, Italic, Underline };

    // True when the record's text in the edited font would leave the scene even after moving
    // the layer back in; when moving is enough, the layer is moved (geometryChanged).
    bool _checkOutOfRange();
    void _applyStyle(UIButtonControl *button, Style style);
    // Takes font into the edited font unless the text would then leave the scene.
    bool _tryFont(const QFont &font);
    void _showError(const QString &message);
    // A message about the check in flight, in the line's quieter colour.
    void _showNote(const QString &message);
    // Hides the message line, or shows that the window still waits for the host's answer.
    void _hideError();
    // Puts text into the text box with the cursor at its end (which raises the change slot).
    void _setBoxText(const QString &text);
    void _emitChange();
    // Forgets the filter-word request in flight: its answer no longer counts.
    void _dropPendingCheck();
    bool _isWaitingForCheck() const;

    FontInfoConfig m_fontConfig;
    QPointer<FontColorWindow> m_colorWindow;

    UIComboBoxControl *m_fontNamesBox = nullptr;
    UIComboBoxControl *m_fontHeightBox = nullptr;
    UITextEditControl *m_textBox = nullptr;
    UIButtonControl *m_colorButton = nullptr;
    UIButtonControl *m_boldButton = nullptr;
    UIButtonControl *m_italicButton = nullptr;
    UIButtonControl *m_underlineButton = nullptr;
    UILabelControl *m_errorLabel = nullptr;
    UIButtonControl *m_cancelButton = nullptr;
    UIButtonControl *m_okButton = nullptr;

    QStringList m_fontNames;
    QList<int> m_fontHeights;
    int m_nameIndex = -1;
    int m_heightIndex = -1;
    bool m_quiet = true;

    QColor m_errorColor;

    QTimer m_checkTimer;
    std::string m_pendingTaskId;
    QString m_checkedText; // the text the pending request asked about
    IPreviewController *m_controller = nullptr;
};
