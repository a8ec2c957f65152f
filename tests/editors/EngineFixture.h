#pragma once

// The whole engine as a host runs it, for the editors' end-to-end tests: a host that answers
// camera questions and filter-word requests, the preview in a real view, composed frames and
// the stored file.

#include "CompositingTestSupport.h"
#include "TestFiles.h"

#include "BasicLayer.h"
#include "CMBasicLayer.h"
#include "FontInfoConfig.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewContainer.h"
#include "PreviewLogic.h"

#include <guifoundation/UIBaseWindow.h>
#include <guifoundation/UIControl.h>

#include <QApplication>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

// A 400 x 200 picture of one colour, saved in dir; its path.
inline QString savePicture(const QTemporaryDir &dir, const QString &name, const QColor &colour)
{
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(colour);
    const QString path = dir.filePath(name);
    picture.save(path);
    return path;
}

// Files dropped on a view at a viewport point, as a file manager drops them; beforeDrop runs
// between the drag's move and its drop.
inline void dropFiles(QGraphicsView *view, const QList<QUrl> &urls, const QPoint &at,
                      const std::function<void()> &beforeDrop = {})
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &move);
    if (beforeDrop)
        beforeDrop();
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
}

// The host's camera list and filter-word service.
class EditorHost : public xsignals::trackable
{
public:
    explicit EditorHost(PreviewEngine *engine)
        : m_engine(engine)
    {
        engine->sigCheckFilterWord.connect(this, &EditorHost::onCheck);
        engine->sigGetCameraList.connect(this, &EditorHost::onCameraList);
        engine->sigGetCameraResolutions.connect(this, &EditorHost::onResolutions);
    }
    ~EditorHost() override { disconnect_all(); }

    void onCheck(const std::string &taskId, const std::wstring &text)
    {
        checks.append({taskId, QString::fromStdWString(text)});
        if (answerAtOnce)
            m_engine->onFilterWordResult(taskId, verdict);
    }
    void onCameraList(std::vector<std::wstring> &list) { list = cameras; }
    void onResolutions(std::wstring device, std::vector<tagSIZE> &list)
    {
        const auto found = sizes.find(device);
        if (found != sizes.end())
            list = found->second;
    }

    bool answerAtOnce = true;
    bool verdict = true;
    QList<QPair<std::string, QString>> checks;
    std::vector<std::wstring> cameras;
    std::map<std::wstring, std::vector<tagSIZE>> sizes;

private:
    PreviewEngine *m_engine;
};

class EngineFixture
{
public:
    // With editors, the scene opens those instead of the real editor windows.
    explicit EngineFixture(ILayerEditorFactory *editors = nullptr)
    {
        engine = PreviewEngine::createInstance();
        receiver = std::make_unique<HostReceiver>(engine);
        host = std::make_unique<EditorHost>(engine);
        if (editors)
            engine->controller()->setEditorFactory(editors);
        engine->init(30);
        engine->setVideoSize(1280, 720); // a scene of 746 x 420
    }
    ~EngineFixture()
    {
        host.reset();
        receiver.reset();
        if (PreviewEngine *instance = PreviewEngine::instance())
            instance->release();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        view.reset();
        graphics.reset();
        if (!keepStoredFile)
            QFile::remove(PreviewCenterData().settingFileName());
    }

    // The preview on parent, or on a 746 x 420 control of our GUI library, in a real view.
    bool show(QGraphicsObject *parent = nullptr)
    {
        graphics = std::make_unique<QGraphicsScene>();
        view = std::make_unique<QGraphicsView>(graphics.get());
        view->setFrameShape(QFrame::NoFrame);
        view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (!parent) {
            auto *root = new UIControl;
            root->resize(746, 420);
            parent = root;
        }
        graphics->addItem(parent);
        graphics->setSceneRect(parent->boundingRect());
        view->resize(parent->boundingRect().size().toSize());
        view->show();
        view->activateWindow();
        QApplication::setActiveWindow(view.get());
        if (!QTest::qWaitForWindowActive(view.get()))
            return false;
        engine->showPreview(parent);
        return container() != nullptr;
    }

    // A layer added as a stored layout adds it, before the preview shows; its id (0 if refused).
    quint32 addPicture(const QString &path, const QRect &place, int alpha = 100,
                       const QString &name = {})
    {
        const CMLayer *layer =
            combine()->addImageLayer(path, true, place.topLeft(), true, place.size(), alpha, name);
        return layer ? layer->layerId() : 0;
    }
    quint32 addText(const QString &text, const QPoint &pos, const QColor &colour,
                    const QString &name = {})
    {
        FontInfoConfig style;
        style.setFont(QFont(QStringLiteral("微软雅黑"), 20));
        style.setColor(colour);
        const CMLayer *layer = combine()->addTextLayer(style, text, pos, true, name);
        return layer ? layer->layerId() : 0;
    }

    PreviewContainer *container() const { return engine->controller()->container(); }
    PreviewCombineLogic *combine() const { return engine->controller()->combine(); }

    BasicLayer *item(quint32 layerId) const
    {
        auto *layer = qobject_cast<CMBasicLayer *>(combine()->layerById(layerId));
        return layer ? qobject_cast<BasicLayer *>(layer->uiLayer()) : nullptr;
    }
    // The ids of the stack, back to front.
    QList<quint32> stack() const
    {
        QList<quint32> ids;
        for (const QPointer<CMLayer> &layer : combine()->layers()) {
            if (layer && !layer->isDeleted())
                ids.append(layer->layerId());
        }
        return ids;
    }

    // The open window of class T the scene shows, or null.
    template<typename T>
    T *window() const
    {
        const QList<T *> found = view->findChildren<T *>();
        for (T *candidate : found) {
            if (candidate->isVisible())
                return candidate;
        }
        return nullptr;
    }

    // One game frame in, the composed output frame out.
    QImage compose()
    {
        const QByteArray game = solidFrame(1280, 720, 0xFF404040);
        const size_t before = receiver->frameCount();
        engine->pushGameVideoData(game.constData(), uint(game.size()), 1280, 720, before + 1);
        if (!receiver->waitForFrames(before + 1))
            return QImage();
        QCoreApplication::sendPostedEvents();
        return receiver->takeFrames().back().image;
    }
    QRgb outputAt(const QImage &frame, const QPointF &scenePos) const
    {
        return frame.pixel(int(scenePos.x() * frame.width() / 746.0),
                           int(scenePos.y() * frame.height() / 420.0)) |
               0xFF000000u;
    }

    // The stored layout as it is on disk after the host hides the preview.
    QByteArray storedFile()
    {
        engine->hidePreview();
        return readAll(PreviewCenterData().settingFileName());
    }

    // For a test that starts the engine again on what it stored.
    bool keepStoredFile = false;
    PreviewEngine *engine = nullptr;
    std::unique_ptr<HostReceiver> receiver;
    std::unique_ptr<EditorHost> host;
    std::unique_ptr<QGraphicsScene> graphics;
    std::unique_ptr<QGraphicsView> view;
};
