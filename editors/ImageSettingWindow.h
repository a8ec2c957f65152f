#pragma once

#include "LayerEditor.h"
#include "PicLayerData.h"
#include "SettingBaseWindow.h"

#include <appcommon/BaseThemeWindow.h>

#include <QPointer>

class BasicLayerData;
class IPreviewController;
class TipMessageWindow;
class UILabelControl;
class UILineEditControl;

// The picture layer's editor: the picture file and the layer's transparency. Every picture
// that loads and every move of the slider goes to the layer at once; OK keeps the edit, any
// other way of closing the window discards it, and the scene restores the layer then. A
// picture built into the program shows as its file name, not as its resource path; the slider
// shows its value.
class ImageSettingWindow : public BaseThemeWindow,
                           public SettingBaseWindow,
                           public LayerEditor<ImageSettingWindow, PicLayerData>
{
    Q_OBJECT

public:
    explicit ImageSettingWindow(QWidget *parent = nullptr);
    ~ImageSettingWindow() override;

    // Builds the window from ":/layout/imagesettingwindow.xml"; null when that fails.
    // controller answers whether the edited layer is still in the scene.
    static ImageSettingWindow *create(IPreviewController *controller, QWidget *parent);

    // Takes the scene's record of a picture layer and fills the window from it; a record of
    // another kind, or of a layer that has left the scene, closes the window at once.
    void setLayerData(BasicLayerData *record) override;

    // The filter of the file dialog: every picture format this system's Qt reads.
    static QString imageFileFilter();

Q_SIGNALS:
    void picChanged(const QString &imagePath);
    void alphaChanged(int alpha);
    void confirmed(BasicLayerData *layer);
    void discarded(BasicLayerData *layer);

private Q_SLOTS:
    void on_okButton_clicked();
    void on_cancelButton_clicked();
    void on_transparenceSlider_valueChanged(int value);
    void on_folderPath_textChanged(const QString &text);
    void on_openFolderBtn_clicked();
    void on_aboutToClose();

protected:
    void setupUi() override;

private:
    void _showMessage(const QString &message);

    IPreviewController *m_controller = nullptr;
    UILineEditControl *m_pathBox = nullptr;
    UILabelControl *m_alphaValue = nullptr;
    // The record's picture when it is one built into the program; the path box shows its name.
    QString m_builtInPath;
    QPointer<TipMessageWindow> m_tipWindow;
};
