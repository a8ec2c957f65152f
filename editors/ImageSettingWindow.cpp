#include "ImageSettingWindow.h"

#include "BasicLayer.h"
#include "EditorSupport.h"
#include "IPreviewController.h"
#include "Log.h"
#include "PicLayerData.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UILineEditControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UISliderControl.h>
#include <guifoundation/UITheme.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>

UI_REGISTER_WINDOW(ImageSettingWindow);

ImageSettingWindow::ImageSettingWindow(QWidget *parent)
    : BaseThemeWindow(parent)
    , LayerEditor(this, LT_PICTURE)
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
    m_alphaValue = findChild<UILabelControl *>(QStringLiteral("transparenceValue"));
    if (m_alphaControl) {
        m_alphaControl->setRange(0, 100);
        on_transparenceSlider_valueChanged(m_alphaControl->value());
    }
    connect(this, &UIBaseWindow::aboutToClose, this, &ImageSettingWindow::on_aboutToClose);
}

void ImageSettingWindow::setLayerData(BasicLayerData *record)
{
    if (!takeRecord(record, m_controller))
        return;
    const PicLayerData *picture = this->record();
    if (m_alphaControl)
        m_alphaControl->setValue(picture->alpha);
    if (m_pathBox) {
        // A resource path means nothing to the user: such a picture shows as its file name,
        // which stands for it as long as the box is not changed.
        const bool builtIn = picture->path.startsWith(QLatin1Char(':'));
        m_builtInPath = builtIn ? picture->path : QString();
        m_pathBox->setText(builtIn ? QFileInfo(picture->path).fileName() : picture->path);
        // Setting the same text raises no change; the record keeps its path either way.
    }
    QObject *item = picture->layer;
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
    PicLayerData *picture = record();
    if (!picture)
        return;
    const QString path = !m_builtInPath.isEmpty() && text == QFileInfo(m_builtInPath).fileName()
                             ? m_builtInPath
                             : text;
    picture->path = path;
    if (EditorSupport::isLoadablePicture(path))
        Q_EMIT picChanged(path);
}

void ImageSettingWindow::on_transparenceSlider_valueChanged(int value)
{
    if (m_alphaValue)
        m_alphaValue->setText(QStringLiteral("%1%").arg(value));
    Q_EMIT alphaChanged(value);
}

void ImageSettingWindow::on_openFolderBtn_clicked()
{
    // Start where the current picture lies; the home folder otherwise.
    QString start = QDir::homePath();
    if (record() && !record()->path.isEmpty()) {
        const QFileInfo current(record()->path);
        if (current.absoluteDir().exists())
            start = current.absolutePath();
    }
    const QPointer<ImageSettingWindow> alive(this);
    // Qt's own dialog, in this window's theme. It goes with this window, should the scene
    // close the window while the dialog is open.
    const QPointer<QFileDialog> dialog =
        new QFileDialog(this, tr("Select one file to open"), start, imageFileFilter());
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    UITheme::usePaletteOf(dialog, this);
    const bool chosen = dialog->exec() == QDialog::Accepted;
    // The dialog ran an event loop: the window may have been closed meanwhile.
    if (!alive || !dialog)
        return;
    const QStringList files = chosen ? dialog->selectedFiles() : QStringList();
    delete dialog;
    if (hasEnded() || files.isEmpty())
        return;
    if (m_pathBox)
        m_pathBox->setText(QDir::toNativeSeparators(files.first()));
}

void ImageSettingWindow::on_okButton_clicked()
{
    const PicLayerData *picture = record();
    if (!picture)
        return;
    QString error;
    if (!EditorSupport::isLoadablePicture(picture->path, &error)) {
        logWarning(L"ImageSettingWindow::on_okButton_clicked %ls cannot be shown: %ls",
                   picture->path.toStdWString().c_str(), error.toStdWString().c_str());
        _showMessage(tr("path is no valid"));
        return;
    }
    if (!checkAlpha()) {
        _showMessage(tr("alpha is no valid"));
        return;
    }
    done(Result::Confirmed);
}

void ImageSettingWindow::on_cancelButton_clicked()
{
    done(Result::Discarded);
}

void ImageSettingWindow::on_aboutToClose()
{
    if (m_tipWindow)
        m_tipWindow->close();
}

void ImageSettingWindow::_showMessage(const QString &message)
{
    if (!m_tipWindow)
        m_tipWindow = TipMessageWindow::createWindow(this);
    m_tipWindow->setContent(message, QString(), false,
                            QCoreApplication::translate("QObject", "live tip"));
    m_tipWindow->showActive();
}
