#include "CameraSettingWindow.h"

#include "BasicLayer.h"
#include "CameraLayerData.h"
#include "EditorSupport.h"
#include "IPreviewController.h"
#include "Log.h"

#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UIRegistration.h>

#include <QPointer>
#include <QStandardItemModel>

UI_REGISTER_WINDOW(CameraSettingWindow);

namespace {

// Capture sizes the camera layer is laid out for, in the order they are preferred when a
// camera offers several: the last one of them in the camera's own list wins.
bool isPreferredSize(int width, int height)
{
    return (width == 640 && height == 480) || (width == 640 && height == 360) ||
           (width == 320 && height == 240);
}

} // namespace

CameraSettingWindow::CameraSettingWindow(QWidget *parent)
    : BaseThemeWindow(parent)
    , LayerEditor(this, LT_CAMERA)
{}

CameraSettingWindow::~CameraSettingWindow() = default;

CameraSettingWindow *CameraSettingWindow::create(IPreviewController *controller, QWidget *parent)
{
    auto *window = EditorSupport::build<CameraSettingWindow>(
        QStringLiteral(":/layout/camerasettingwindow.xml"), parent);
    if (!window)
        return nullptr;
    window->m_controller = controller;
    window->_fillCameraBox();
    window->_fillSizeBox();
    return window;
}

void CameraSettingWindow::setupUi()
{
    m_cameraBox = findChild<UIComboBoxControl *>(QStringLiteral("cameraCombobox"));
    m_sizeBox = findChild<UIComboBoxControl *>(QStringLiteral("cameraSizeCombobox"));
}

void CameraSettingWindow::_fillCameraBox()
{
    if (!m_cameraBox)
        return;
    // The host answers from its own code, which may close or even delete this window.
    const QPointer<CameraSettingWindow> alive(this);
    std::vector<std::wstring> devices;
    if (m_controller)
        devices = m_controller->cameraList();
    if (!alive)
        return;
    auto *model = new QStandardItemModel(m_cameraBox);
    for (const std::wstring &device : devices) {
        auto *row = new QStandardItem(QString::fromStdWString(device));
        row->setEditable(false);
        model->appendRow(row);
    }
    m_filling = true;
    m_cameraBox->setModel(model);
    if (model->rowCount() > 0)
        m_cameraBox->setCurrentIndex(0);
    m_filling = false;
}

void CameraSettingWindow::_fillSizeBox()
{
    if (!m_cameraBox || !m_sizeBox)
        return;
    const QPointer<CameraSettingWindow> alive(this);
    std::vector<tagSIZE> sizes;
    if (m_controller)
        sizes = m_controller->cameraResolutions(m_cameraBox->currentText().toStdWString());
    if (!alive)
        return;
    auto *model = new QStandardItemModel(m_sizeBox);
    QList<QPair<int, int>> listed;
    for (const tagSIZE &size : sizes) {
        const QPair<int, int> key(size.cx, size.cy);
        if (listed.contains(key))
            continue;
        listed.append(key);
        auto *row = new QStandardItem(QStringLiteral("%1X%2").arg(size.cx).arg(size.cy));
        row->setData(size.cx, WidthRole);
        row->setData(size.cy, HeightRole);
        row->setEditable(false);
        model->appendRow(row);
    }
    int selected = 0;
    for (int row = int(listed.size()) - 1; row >= 0; --row) {
        if (isPreferredSize(listed.at(row).first, listed.at(row).second)) {
            selected = row;
            break;
        }
    }
    const bool wasFilling = m_filling;
    m_filling = true;
    m_sizeBox->setModel(model);
    if (model->rowCount() > 0)
        m_sizeBox->setCurrentIndex(selected);
    m_filling = wasFilling;
}

void CameraSettingWindow::_applySelection()
{
    CameraParam param;
    if (m_cameraBox && m_cameraBox->currentIndex() >= 0)
        param.deviceName = m_cameraBox->currentText();
    if (m_sizeBox && m_sizeBox->currentIndex() >= 0) {
        const QModelIndex row = m_sizeBox->model()->index(m_sizeBox->currentIndex(), 0);
        param.width = row.data(WidthRole).toInt();
        param.height = row.data(HeightRole).toInt();
    }
    // The record describes the result; its keying fields are the layer's own and stay.
    if (CameraLayerData *edited = record()) {
        edited->cameraParam.deviceName = param.deviceName;
        edited->cameraParam.width = param.width;
        edited->cameraParam.height = param.height;
    }
    Q_EMIT cameraChanged(param);
}

void CameraSettingWindow::on_cameraCombobox_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    if (m_filling)
        return;
    const QPointer<CameraSettingWindow> alive(this);
    _fillSizeBox();
    if (alive)
        _applySelection();
}

void CameraSettingWindow::on_cameraSizeCombobox_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    if (!m_filling)
        _applySelection();
}

void CameraSettingWindow::setLayerData(BasicLayerData *record)
{
    if (!takeRecord(record, m_controller))
        return;
    m_snapshot = this->record()->cameraParam;

    // The window is not connected to the layer yet: choosing rows here reaches nobody, and
    // the one selection applied below is what the layer gets.
    m_filling = true;
    if (m_cameraBox) {
        const QStandardItemModel *cameras = m_cameraBox->model();
        for (int row = 0; cameras && row < cameras->rowCount(); ++row) {
            if (cameras->item(row)->text() == m_snapshot.deviceName) {
                m_cameraBox->setCurrentIndex(row);
                break;
            }
        }
    }
    _fillSizeBox();
    if (m_sizeBox) {
        const QStandardItemModel *sizes = m_sizeBox->model();
        for (int row = 0; sizes && row < sizes->rowCount(); ++row) {
            const QStandardItem *item = sizes->item(row);
            if (item->data(WidthRole).toInt() == m_snapshot.width &&
                item->data(HeightRole).toInt() == m_snapshot.height) {
                m_sizeBox->setCurrentIndex(row);
                break;
            }
        }
    }
    m_filling = false;

    QObject *item = this->record()->layer;
    connect(this, SIGNAL(cameraChanged(CameraParam)), item,
            SLOT(on_CameraParamChanged(CameraParam)));
    _applySelection();
}

void CameraSettingWindow::on_okButton_clicked()
{
    done(Result::Confirmed);
}

void CameraSettingWindow::on_cancelButton_clicked()
{
    done(Result::Discarded);
}

void CameraSettingWindow::rollBack(CameraLayerData &record)
{
    record.cameraParam = m_snapshot;
}
