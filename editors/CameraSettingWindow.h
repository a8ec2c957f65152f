#pragma once

#include "CameraLayerData.h"
#include "CameraParam.h"
#include "LayerEditor.h"

#include <appcommon/BaseThemeWindow.h>

class BasicLayerData;
class IPreviewController;
class UIComboBoxControl;

// The camera layer's editor: which of the host's cameras, at which capture size. The host
// lists both on request; every change of either selection goes to the layer at once. OK keeps
// the edit; cancel, the close button or any other close puts the record's camera back and
// discards it.
class CameraSettingWindow : public BaseThemeWindow,
                            public LayerEditor<CameraSettingWindow, CameraLayerData>
{
    Q_OBJECT

public:
    // Item data roles of a size row: the capture width and height.
    enum { WidthRole = 132, HeightRole = 133 };

    explicit CameraSettingWindow(QWidget *parent = nullptr);
    ~CameraSettingWindow() override;

    // Builds the window from ":/layout/camerasettingwindow.xml" and lists the host's cameras
    // through controller; null when the layout cannot be built.
    static CameraSettingWindow *create(IPreviewController *controller, QWidget *parent);

    void setLayerData(BasicLayerData *record) override;

Q_SIGNALS:
    void cameraChanged(const CameraParam &param);
    void confirmed(BasicLayerData *layer);
    void discarded(BasicLayerData *layer);

private Q_SLOTS:
    void on_okButton_clicked();
    void on_cancelButton_clicked();
    void on_cameraCombobox_currentIndexChanged(int index);
    void on_cameraSizeCombobox_currentIndexChanged(int index);

protected:
    void setupUi() override;
    void rollBack(CameraLayerData &record) override;

private:
    void _fillCameraBox();
    void _fillSizeBox();
    void _applySelection();

    UIComboBoxControl *m_cameraBox = nullptr;
    UIComboBoxControl *m_sizeBox = nullptr;
    CameraParam m_snapshot;
    IPreviewController *m_controller = nullptr;
    bool m_filling = false; // box models are being replaced: selections are not applied yet
};
