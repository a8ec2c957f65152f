#include "PreviewEngine.h"

#include "EditorFactory.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"
#include "SettingsImplManager.h"

#include <appcommon/pubfunc.h>

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QThread>
#include <QTranslator>

namespace {

// Created and cleared on the GUI thread only, as the host's calling rules require.
PreviewEngine *s_instance = nullptr;

QString translationFilePath()
{
    const QString programDir =
        QString::fromStdWString(pubfunc::getAppExePath(pubfunc::ModuleProgram));
    return QDir(programDir).filePath(QStringLiteral("language/zh-CN.qm"));
}

} // namespace

PreviewEngine::PreviewEngine()
{
    logInfo(L"PreviewEngine::PreviewEngine begin.");
    m_translator = new QTranslator;
    // Without the file the engine simply runs untranslated; installing the empty translator
    // keeps the teardown symmetric.
    (void)m_translator->load(translationFilePath());
    QCoreApplication::installTranslator(m_translator);
    m_logic = new PreviewLogic(this);
    m_editorFactory = std::make_unique<EditorFactory>(m_logic);
    m_logic->setEditorFactory(m_editorFactory.get());
}

PreviewEngine::~PreviewEngine()
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
    if (m_logic) {
        delete m_logic;
        m_logic = nullptr;
    }
    // Settings files are read afresh by the next engine: they may change in between.
    if (SettingsImplManager *settings = SettingsImplManager::instance())
        settings->closeAll();
    logInfo(L"PreviewEngine::~PreviewEngine end.");
}

PreviewEngine *PreviewEngine::createInstance()
{
    if (!s_instance)
        s_instance = new PreviewEngine;
    return s_instance;
}

PreviewEngine *PreviewEngine::instance()
{
    return s_instance;
}

PreviewLogic *PreviewEngine::logic()
{
    return s_instance ? s_instance->m_logic : nullptr;
}

// Counts the engine's operations on the GUI thread's stack, and deletes a released engine when
// the last of them returns.
class PreviewEngine::CallScope
{
public:
    explicit CallScope(PreviewEngine *engine)
        : m_engine(engine)
    {
        ++m_engine->m_callDepth;
    }
    ~CallScope()
    {
        if (--m_engine->m_callDepth == 0 && m_engine->m_released)
            delete m_engine;
    }
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

private:
    PreviewEngine *const m_engine;
};

template<class Call>
void PreviewEngine::_run(const wchar_t *operation, Call call)
{
    if (m_logic && QThread::currentThread() != m_logic->thread()) {
        logWarning(L"PreviewEngine::%ls called off the GUI thread; it runs on the GUI thread "
                   L"later.",
                   operation);
        // The controller is the context: if the engine is gone by then, so is the call.
        QMetaObject::invokeMethod(
            m_logic, [this, operation, call] { _run(operation, call); }, Qt::QueuedConnection);
        return;
    }
    const CallScope scope(this);
    if (!m_released && m_logic)
        call(m_logic);
}

void PreviewEngine::release()
{
    if (m_logic && QThread::currentThread() != m_logic->thread()) {
        _run(L"release", [this](PreviewLogic *) { release(); });
        return;
    }
    // Whatever object this is called on, it is the process's engine that goes.
    PreviewEngine *engine = s_instance;
    if (!engine)
        return;
    s_instance = nullptr;
    const CallScope scope(engine);
    engine->m_released = true;
    engine->_unInit();
}

void PreviewEngine::init(int fps)
{
    _run(L"init", [this, fps](PreviewLogic *logic) {
        if (m_initialised)
            return;
        // Marked first: a host may unInit (or init again) from a handler while this runs.
        m_initialised = true;
        logic->init(fps);
    });
}

void PreviewEngine::unInit()
{
    _run(L"unInit", [this](PreviewLogic *) { _unInit(); });
}

void PreviewEngine::_unInit()
{
    m_initialised = false;
    if (m_logic)
        m_logic->unInit();
}

int PreviewEngine::getVideoWidth()
{
    if (!m_logic || !m_logic->centerData())
        return 0;
    return m_logic->centerData()->videoSize().width();
}

int PreviewEngine::getVideoHeight()
{
    if (!m_logic || !m_logic->centerData())
        return 0;
    return m_logic->centerData()->videoSize().height();
}

void PreviewEngine::setLayersEditable(bool editable)
{
    _run(L"setLayersEditable",
         [editable](PreviewLogic *logic) { logic->setLayersEditable(editable); });
}

void PreviewEngine::setVideoSize(int width, int height)
{
    _run(L"setVideoSize", [this, width, height](PreviewLogic *logic) {
        // Refused sizes are not announced; the host may have released us meanwhile.
        if (!logic->setVideoSize(width, height) || m_released)
            return;
        const QSize previewSize = logic->getPreviewSize();
        sigPreviewSizeChanged(previewSize.width(), previewSize.height());
    });
}

void PreviewEngine::pushGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                      unsigned long sampleTime)
{
    if (m_logic)
        m_logic->inputGameVideoData(data, uLen, width, height, sampleTime);
}

void PreviewEngine::pushCameraData(const char *data, unsigned int uLen, int width, int height,
                                   unsigned long sampleTime)
{
    if (m_logic)
        m_logic->inputCameraData(data, uLen, width, height, sampleTime);
}

void PreviewEngine::setCamOpenStatus(bool openStatus)
{
    if (m_logic)
        m_logic->inputCamOpenStatus(openStatus);
}

void PreviewEngine::onFilterWordResult(const std::string &taskId, bool bValid)
{
    _run(L"onFilterWordResult",
         [taskId, bValid](PreviewLogic *logic) { logic->emitFilterWordResult(taskId, bValid); });
}

void PreviewEngine::showPreview(QGraphicsObject *parent)
{
    // Handed to the GUI thread, the parent may be gone by the time the call runs.
    const bool given = parent != nullptr;
    const QPointer<QGraphicsObject> guarded(parent);
    _run(L"showPreview", [given, guarded](PreviewLogic *logic) {
        if (guarded || !given)
            logic->showPreview(guarded);
    });
}

void PreviewEngine::hidePreview()
{
    _run(L"hidePreview", [](PreviewLogic *logic) { logic->hidePreview(); });
}

void PreviewEngine::addCameraLayer()
{
    _run(L"addCameraLayer", [](PreviewLogic *logic) { logic->addCameraLayer(); });
}

void PreviewEngine::removeCameraLayers()
{
    _run(L"removeCameraLayers", [](PreviewLogic *logic) { logic->removeCameraLayers(); });
}

void PreviewEngine::addTextLayer()
{
    _run(L"addTextLayer", [](PreviewLogic *logic) { logic->addTextLayer(); });
}

void PreviewEngine::addImageLayer()
{
    _run(L"addImageLayer", [](PreviewLogic *logic) { logic->addImageLayer(); });
}
