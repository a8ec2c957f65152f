#include "PreviewEngine.h"

#include "EditorFactory.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewLogic.h"
#include "SettingsImplManager.h"

#include <appcommon/pubfunc.h>

#include <QCoreApplication>
#include <QDir>
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

void PreviewEngine::release()
{
    // Whatever object this is called on, it is the process's engine that goes.
    PreviewEngine *engine = s_instance;
    if (!engine)
        return;
    engine->unInit();
    s_instance = nullptr;
    delete engine;
}

void PreviewEngine::init(int fps)
{
    if (m_initialised || !m_logic)
        return;
    m_logic->init(fps);
    m_initialised = true;
}

void PreviewEngine::unInit()
{
    if (m_logic)
        m_logic->unInit();
    m_initialised = false;
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
    if (m_logic)
        m_logic->setLayersEditable(editable);
}

void PreviewEngine::setVideoSize(int width, int height)
{
    if (!m_logic)
        return;
    m_logic->setVideoSize(width, height);
    const QSize previewSize = m_logic->getPreviewSize();
    sigPreviewSizeChanged(previewSize.width(), previewSize.height());
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
    if (m_logic)
        m_logic->emitFilterWordResult(taskId, bValid);
}

void PreviewEngine::showPreview(QGraphicsObject *parent)
{
    if (m_logic)
        m_logic->showPreview(parent);
}

void PreviewEngine::hidePreview()
{
    if (m_logic)
        m_logic->hidePreview();
}

void PreviewEngine::addCameraLayer()
{
    if (m_logic)
        m_logic->addCameraLayer();
}

void PreviewEngine::removeCameraLayers()
{
    if (m_logic)
        m_logic->removeCameraLayers();
}

void PreviewEngine::addTextLayer()
{
    if (m_logic)
        m_logic->addTextLayer();
}

void PreviewEngine::addImageLayer()
{
    if (m_logic)
        m_logic->addImageLayer();
}
