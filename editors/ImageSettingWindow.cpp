#include "ImageSettingWindow.h"

#include "BasicLayer.h"
#include "EditorSupport.h"
#include "IPreviewController.h"
#include "Log.h"
#include "PicLayerData.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>

UI_REGISTER_WINDOW(ImageSettingWindow);

ImageSettingWindow::ImageSettingWindow(QWidget *parent)
    : BaseThemeWindow(parent)
{}

ImageSettingWindow::~ImageSettingWindow() = default;

ImageSettingWindow *ImageSettingWindow::create(IPreviewController *controller, QWidget *parent)
{
    auto *window = EditorSupport::build<ImageSettingWindow>(
        QStringLiteral(":/layout/imagesettingwindow.xml"), parent);
    if (window)
        window->m_controller = controller;
    return window;
}

void ImageSettingWindow::setupUi()
{
    m_pathBox = findChild<UILineEditControl *>(QStringLiteral("folderPath"));
    m_alphaControl = findChild<UISliderControl *>(QStringLiteral("transparenceSlider"));
    if (m_alphaControl)
        m_alphaControl->setRange(0, 100);
    connect(this, &UIBaseWindow::aboutToClose, this, &ImageSettingWindow::on_aboutToClose);
}

void ImageSettingWindow::setLayerData(BasicLayerData *record)
{
    if (!EditorSupport::acceptRecord(this, record, LT_PICTURE, m_controller))
        return;
    m_record = static_cast<PicLayerData *>(record);
    if (m_alphaControl)
        m_alphaControl->setValue(m_record->alpha);
    if (m_pathBox) {
        m_pathBox->setText(m_record->path);
        // Setting the same text raises no change; the record keeps its path either way.
    }
    QObject *item = m_record->layer;
    connect(this, SIGNAL(alphaChanged(int)), item, SLOT(on_alphaChanged(int)));
    connect(this, SIGNAL(picChanged(QString)), item, SLOT(on_picChanged(QString)));
}

QString ImageSettingWindow::imageFileFilter()
{
    QStringList patterns;
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray &format : formats)
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    patterns.removeDuplicates();
    return tr("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

void ImageSettingWindow::on_folderPath_textChanged(const QString &text)
{
    if (!m_record)
        return;
    m_record->path = text;
    if (EditorSupport::isLoadablePicture(text))
        Q_EMIT picChanged(text);
}

void ImageSettingWindow::on_transparenceSlider_valueChanged(int value)
{
    Q_EMIT alphaChanged(value);
}

void ImageSettingWindow::on_openFolderBtn_clicked()
{
    // Start where the current picture lies; the home folder otherwise.
    QString start = QDir::homePath();
    if (m_record && !m_record->path.isEmpty()) {
        const QFileInfo current(m_record->path);
        if (current.absoluteDir().exists())
            start = current.absolutePath();
    }
    const QPointer<ImageSettingWindow> alive(this);
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Select one file to open"),
                                                            start, imageFileFilter());
    // The dialog ran an event loop: the window may have been closed meanwhile.
    if (!alive || m_ended || files.isEmpty())
        return;
    if (m_pathBox)
        m_pathBox->setText(QDir::toNativeSeparators(files.first()));
}

void ImageSettingWindow::on_okButton_clicked()
{
    if (m_ended || !m_record)
        return;
    QString error;
    if (!EditorSupport::isLoadablePicture(m_record->path, &error)) {
        logWarning(L"ImageSettingWindow::on_okButton_clicked %ls cannot be shown: %ls",
                   m_record->path.toStdWString().c_str(), error.toStdWString().c_str());
        _showMessage(tr("path is no valid"));
        return;
    }
    if (!checkAlpha()) {
        _showMessage(tr("alpha is no valid"));
        return;
    }
    m_ended = true;
    BasicLayerData *record = m_record;
    m_record = nullptr;
    const QPointer<ImageSettingWindow> alive(this);
    Q_EMIT confirmed(record);
    if (alive)
        close();
}

void ImageSettingWindow::on_cancelButton_clicked()
{
    close();
}

void ImageSettingWindow::on_aboutToClose()
{
    if (m_tipWindow)
        m_tipWindow->close();
    if (m_ended)
        return;
    m_ended = true;
    BasicLayerData *record = m_record;
    m_record = nullptr;
    Q_EMIT discarded(record);
}

void ImageSettingWindow::_showMessage(const QString &message)
{
    if (!m_tipWindow)
        m_tipWindow = TipMessageWindow::createWindow(this);
    m_tipWindow->setContent(message, QString(), false,
                            QCoreApplication::translate("QObject", "live tip"));
    m_tipWindow->showActive();
}
