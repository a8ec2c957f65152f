#include "GallerySession.h"

#include "Screenshot.h"

#include <appcommon/TipMessageWindow.h>
#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UIMenu.h>
#include <guifoundation/XmlUIBuilder.h>

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QStandardItemModel>
#include <QTextStream>
#include <QTimer>

namespace {
const QString LayoutFile = QStringLiteral(":/previewhost/layout/gallery.xml");
constexpr int LayerRows = 1000;
} // namespace

GallerySession::GallerySession(const Options &options)
    : m_options(options)
    , m_engine(options.enginePath)
{}

GallerySession::~GallerySession()
{
    delete m_window;
}

QStringList GallerySession::states()
{
    return {QString(), QStringLiteral("tip"), QStringLiteral("combo"), QStringLiteral("menu")};
}

template<class T>
T *GallerySession::_find(const char *name) const
{
    return m_window ? m_window->findChild<T *>(QString::fromLatin1(name)) : nullptr;
}

int GallerySession::run()
{
    QTextStream err(stderr);
    if (!states().contains(m_options.state)) {
        err << "previewhost: --state wants one of tip, combo, menu" << Qt::endl;
        return 2;
    }
    // The layout's texts are short keys ("select camera"): English comes from the engine's
    // en.qm as Chinese comes from zh-CN.qm.
    const QString language =
        m_options.language.isEmpty() ? QStringLiteral("en") : m_options.language;
    const QString file =
        QApplication::applicationDirPath() + QStringLiteral("/language/%1.qm").arg(language);
    if (m_translator.load(file))
        QCoreApplication::installTranslator(&m_translator);
    else
        err << "previewhost: no translation " << file << Qt::endl;
    // Loading the engine registers its controls (the list widget) with the layout builder.
    if (!m_engine.load())
        err << "previewhost: " << m_engine.errorString() << "; the gallery shows no list"
            << Qt::endl;

    m_window = XmlUIBuilder::createFromFile(LayoutFile);
    if (!m_window) {
        err << "previewhost: cannot build " << LayoutFile << Qt::endl;
        return 1;
    }
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    XmlUIBuilder::connectSlotsByName(this, m_window->findChildren<QObject *>());
    _fill();
    connect(m_window, &UIBaseWindow::aboutToClose, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    // The backdrop of a screenshot goes up first: a window shown after a pop-up closes it.
    if (!m_options.screenshotFile.isEmpty()) {
        m_backdrop = std::make_unique<ScreenshotBackdrop>();
        m_backdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
        m_backdrop->show();
        m_backdrop->lower();
    }
    m_window->showActive();

    // The rest once the window is on the screen and laid out.
    QTimer::singleShot(300, this, [this] {
        _applyState();
        if (m_options.screenshotFile.isEmpty())
            return;
        QTimer::singleShot(500, this, [this] {
            QString error;
            if (!saveWindowsScreenshot(m_options.screenshotFile, &error, m_backdrop.get())) {
                QTextStream(stderr) << "previewhost: " << error << Qt::endl;
                m_exitCode = 1;
            }
            QCoreApplication::quit();
        });
    });
    QApplication::exec();
    return m_exitCode;
}

void GallerySession::_fill()
{
    if (auto *cameras = _find<UIComboBoxControl>("cameraCombobox"))
        cameras->setItems({tr("PreviewHost virtual camera"), tr("USB camera")});
    if (auto *sizes = _find<UIComboBoxControl>("cameraSizeCombobox"))
        sizes->setItems(
            {QStringLiteral("1280X720"), QStringLiteral("640X480"), QStringLiteral("640X360")});

    if (auto *slider = _find<QObject>("transparenceSlider"))
        on_transparenceSlider_valueChanged(slider->property("value").toInt());

    QObject *list = _find<QObject>("layersList");
    if (!list)
        return;
    m_layers = new QStandardItemModel(this);
    m_layers->appendRow(new QStandardItem(tr("Game video")));
    m_layers->appendRow(new QStandardItem(tr("Camera")));
    for (int row = 2; row < LayerRows; ++row) {
        const int number = (row - 2) / 2 + 1;
        m_layers->appendRow(
            new QStandardItem(row % 2 ? tr("Text %1").arg(number) : tr("Picture %1").arg(number)));
    }
    QMetaObject::invokeMethod(list, "setModel", Q_ARG(QStandardItemModel *, m_layers));
}

void GallerySession::_applyState()
{
    // Selected once the list has its size, so the row is scrolled into view.
    if (QObject *list = _find<QObject>("layersList"))
        QMetaObject::invokeMethod(list, "setCurrentIndex", Q_ARG(int, 2));
    if (m_options.state == QLatin1String("tip"))
        on_tipButton_clicked();
    else if (m_options.state == QLatin1String("combo")) {
        if (auto *cameras = _find<UIComboBoxControl>("cameraCombobox"))
            cameras->showPopup();
    } else if (m_options.state == QLatin1String("menu")) {
        on_menuButton_clicked();
    }
}

void GallerySession::on_tipButton_clicked()
{
    if (!m_tip)
        m_tip = TipMessageWindow::createWindow(m_window);
    m_tip->setContent(tr("You can add at most five texts."),
                      tr("Delete a text layer to add another one."), true,
                      QCoreApplication::translate("QObject", "live tip"));
    m_tip->showModalAsync(true, true);
}

void GallerySession::on_menuButton_clicked()
{
    UIMenu *menu = UIMenu::createPopupMenu(m_window);
    const QStringList texts = {tr("Edit"), tr("Delete"), tr("Bring to front"), tr("Send to back"),
                               tr("Layer manager")};
    for (const QString &text : texts) {
        auto *action = new QAction(menu);
        action->setIconText(text);
        menu->addAction(action);
        if (text == texts.at(1))
            menu->addSeparator();
    }
    auto *button = _find<UIButtonControl>("menuButton");
    QCursor::setPos(button ? button->mapToGlobal(QPointF(12, button->height() - 4))
                           : QCursor::pos());
    menu->popup();
}

void GallerySession::on_cancelButton_clicked()
{
    m_window->close();
}

void GallerySession::on_okButton_clicked()
{
    m_window->close();
}

void GallerySession::on_transparenceSlider_valueChanged(int value)
{
    if (auto *label = _find<UILabelControl>("transparenceValue"))
        label->setText(QStringLiteral("%1%").arg(value));
}

void GallerySession::on_layersList_sigDropItem(int from, int to)
{
    // The list shows the model; re-ordering is the model's business.
    if (!m_layers || from < 0 || from >= m_layers->rowCount() || to < 0 ||
        to >= m_layers->rowCount() || from == to)
        return;
    const QList<QStandardItem *> row = m_layers->takeRow(from);
    m_layers->insertRow(to, row);
    QMetaObject::invokeMethod(_find<QObject>("layersList"), "setCurrentIndex", Q_ARG(int, to));
}
