#include "PreviewSetting.h"

#include "ILayerConfigWriter.h"
#include "ILayerStack.h"
#include "IPreviewController.h"
#include "IStoredLayer.h"
#include "LayerConfigKeys.h"
#include "LayerType.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewConfigCheck.h"
#include "RegularFile.h"
#include "SettingsHandle.h"
#include "StoredValue.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>

namespace {

// Lets the compositing layers write their entries straight into a settings store.
class HandleWriter : public ILayerConfigWriter
{
public:
    explicit HandleWriter(SettingsHandle &handle)
        : m_handle(handle)
    {}
    void setValue(const QString &key, const QString &value) override
    {
        m_handle.setValue(key, value, true);
    }

private:
    SettingsHandle &m_handle;
};

} // namespace

using LayerConfigKeys::layerKey;

PreviewSetting::PreviewSetting(IPreviewController *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
{}

PreviewSetting::~PreviewSetting() = default;

PreviewCenterData *PreviewSetting::_centerData() const
{
    return m_controller ? m_controller->centerData() : nullptr;
}

ILayerStack *PreviewSetting::_stack() const
{
    return m_controller ? m_controller->layerStack() : nullptr;
}

QString PreviewSetting::_fileName() const
{
    const PreviewCenterData *data = _centerData();
    return data ? data->settingFileName() : QString();
}

void PreviewSetting::init()
{
    logInfo(L"PreviewSetting::init");
    if (!m_check) {
        m_check = std::make_unique<PreviewConfigCheck>(m_controller);
        connect(m_check.get(), &PreviewConfigCheck::sigCheckConfig, this,
                &PreviewSetting::onCheckConfigResult);
    }
}

void PreviewSetting::stop()
{
    ++m_epoch;
    m_restoring = false;
    if (m_check)
        m_check->cancel();
}

void PreviewSetting::buildLayersFromFile()
{
    logInfo(L"PreviewSetting::buildLayersFromFile");
    if (!m_check) {
        _addBasicLayersToContainer();
        return;
    }
    switch (m_check->checkConfigValid()) {
    case PreviewConfigCheck::CHECK_PENDING:
        return;
    case PreviewConfigCheck::CHECK_DEFAULTS:
        _keepStoredLayout(QStringLiteral("its values were refused"));
        _addBasicLayersToContainer();
        return;
    case PreviewConfigCheck::CHECK_LOAD:
        _loadLayersToContainer();
        return;
    }
}

void PreviewSetting::onCheckConfigResult(bool ret)
{
    logInfo(L"PreviewSetting::onCheckConfigResult ret=%d", ret ? 1 : 0);
    if (ret) {
        _loadLayersToContainer();
    } else {
        _keepStoredLayout(QStringLiteral("the filter-word service refused its text or did not "
                                         "answer in time"));
        _addBasicLayersToContainer();
    }
    Q_EMIT sigLoadFromConfigFinished();
}

void PreviewSetting::_keepStoredLayout(const QString &reason)
{
    m_backupReason = reason;
    logWarning(L"PreviewSetting the stored layout is not used as a whole (%ls); the next save "
               L"keeps it as %ls.bak.",
               reason.toStdWString().c_str(), _fileName().toStdWString().c_str());
}

bool PreviewSetting::_backUpStoredLayout(const QString &fileName)
{
    if (m_backupReason.isEmpty() || !QFileInfo(fileName).isFile())
        return true;
    const QString backup = fileName + QStringLiteral(".bak");
    QFile::remove(backup);
    if (!QFile::copy(fileName, backup)) {
        logError(L"PreviewSetting::saveLayersToFile cannot keep %ls as %ls; the stored layout is "
                 L"not replaced.",
                 fileName.toStdWString().c_str(), backup.toStdWString().c_str());
        return false;
    }
    logWarning(L"PreviewSetting::saveLayersToFile kept the layout it replaces as %ls (%ls).",
               backup.toStdWString().c_str(), m_backupReason.toStdWString().c_str());
    m_backupReason.clear();
    return true;
}

QSizeF PreviewSetting::_applySceneSize()
{
    ILayerStack *stack = _stack();
    const PreviewCenterData *data = _centerData();
    const QSize output = data ? data->videoSize() : QSize();
    if (output.width() > 0 && output.height() > 0) {
        const double width = static_cast<int>(420.0 * output.width() / output.height());
        stack->setSceneSize(QSizeF(width, 420.0));
    } else {
        // No output size (after unInit, or a broken host call): keep the compositor's own.
        logWarning(L"PreviewSetting::_applySceneSize no output size, scene stays %dx%d.",
                   static_cast<int>(stack->sceneSize().width()),
                   static_cast<int>(stack->sceneSize().height()));
    }
    return stack->sceneSize();
}

void PreviewSetting::_addDefaultGameLayer()
{
    ILayerStack *stack = _stack();
    const QSizeF scene = stack->sceneSize();
    stack->addGameVideoLayer(
        QPoint(0, 0), true,
        QSize(static_cast<int>(scene.width()), static_cast<int>(scene.height())), 100, QString());
}

void PreviewSetting::_addBasicLayersToContainer()
{
    if (!_stack()) {
        logError(L"PreviewSetting::_addBasicLayersToContainer Container is null, can not load "
                 L"layers.");
        return;
    }
    const QSizeF scene = _applySceneSize();
    logInfo(L"PreviewSetting::_addBasicLayersToContainer Container width=%d, height=%d",
            static_cast<int>(scene.width()), static_cast<int>(scene.height()));
    _addDefaultGameLayer();
}

void PreviewSetting::_loadLayersToContainer()
{
    ILayerStack *stack = _stack();
    if (!stack) {
        logError(L"PreviewSetting::_loadLayersToContainer Container is null, can not load "
                 L"layers.");
        return;
    }
    SettingsHandle handle(_fileName());
    const QString countText = handle.value(LayerConfigKeys::layersNum());
    const QSizeF scene = _applySceneSize();
    logInfo(L"PreviewSetting::_loadLayersToContainer Container width=%d, height=%d",
            static_cast<int>(scene.width()), static_cast<int>(scene.height()));

    const int count = StoredValue::toUInt(countText);
    if (count <= 0) {
        _addDefaultGameLayer();
        handle.save();
        return;
    }
    const quint64 epoch = m_epoch;
    m_restoring = true;
    for (int i = 0; i < count; ++i) {
        const bool restored = _restoreLayer(stack, handle, uint(i));
        // A camera layer asks the host to open its camera, and the host may stop the engine
        // from that handler: then the stack is gone and the file stays as it is.
        if (m_epoch != epoch)
            return;
        if (!restored)
            _keepStoredLayout(QStringLiteral("layer%1 was dropped").arg(i));
    }
    m_restoring = false;
    handle.save();
}

bool PreviewSetting::_restoreLayer(ILayerStack *stack, const SettingsHandle &handle, uint i)
{
    const QString prefix = LayerConfigKeys::layerPrefix(i);
    const auto read = [&](const char *name) {
        return handle.value(layerKey(prefix, name));
    };
    const QPoint pos = StoredValue::toPoint(read("pos"));
    const QSize size = StoredValue::toSize(read("size"));
    const bool combine = read("combine").toInt() != 0;
    const QString name = read("name");
    const int alpha = StoredValue::toUInt(read("alpha"));
    const PreviewCenterData *data = _centerData();
    const bool loadStored = data && data->loadStoredLayers();

    const QString type = read("type");
    switch (StoredValue::toUInt(type)) {
    case LT_PICTURE: {
        if (!loadStored)
            return true;
        const QString path = read("path");
        QString error;
        if (RegularFile::loadImage(path, &error).isNull()) {
            logWarning(L"PreviewSetting::_loadLayersToContainer layer%u: picture %ls dropped: %ls",
                       i, path.toStdWString().c_str(), error.toStdWString().c_str());
            Q_EMIT sigStoredPictureLeftOut(path);
            return false;
        }
        stack->addImageLayer(path, StoredValue::toUInt(read("caneditsize")) > 0, pos, combine, size,
                             alpha, name);
        return true;
    }
    case LT_TEXT: {
        if (!loadStored)
            return true;
        QFont font;
        font.setFamily(read("fontfamily"));
        const int pointSize = StoredValue::toUInt(read("fontsize"));
        if (pointSize > 0)
            font.setPointSize(pointSize);
        font.setBold(StoredValue::toUInt(read("fontblod")) != 0);
        font.setItalic(StoredValue::toUInt(read("fontitalic")) != 0);
        font.setUnderline(StoredValue::toUInt(read("fontunderline")) != 0);
        stack->addTextLayer(font, StoredValue::toColor(read("fontcolor")),
                            StoredValue::toText(read("text")), pos, combine, name);
        return true;
    }
    case LT_CAMERA: {
        if (!loadStored)
            return true;
        const QSize capture(read("devicewidth").toInt(), read("deviceheight").toInt());
        stack->addCameraLayer(pos, combine, size, alpha, read("device"), capture, name, false,
                              uint(StoredValue::toUInt(read("keyColor"))),
                              read("sensitivity").toFloat(), read("blend").toFloat());
        return true;
    }
    case LT_GAMEVIDEO:
        stack->addGameVideoLayer(pos, combine, size, alpha, name);
        return true;
    default:
        logWarning(L"PreviewSetting::_loadLayersToContainer layer%u has the type \"%ls\", which "
                   L"is no layer; skipped.",
                   i, type.toStdWString().c_str());
        return false;
    }
}

void PreviewSetting::saveLayersToFile()
{
    logInfo(L"PreviewSetting::saveLayersToFile");
    if (m_restoring || (m_check && m_check->isPending())) {
        logInfo(L"PreviewSetting::saveLayersToFile the stored layout is not restored yet; the "
                L"file stays as it is.");
        return;
    }
    const PreviewCenterData *data = _centerData();
    const ILayerStack *stack = _stack();
    if (!data || !data->layersEditable() || !stack || stack->layerCount() == 0)
        return;

    const QString fileName = _fileName();
    if (!_backUpStoredLayout(fileName))
        return;
    SettingsHandle handle(fileName);
    handle.clearDocument();
    const QSizeF scene = stack->sceneSize();
    handle.setValue(LayerConfigKeys::parentWidth(), StoredValue::fromReal(scene.width()), true);
    handle.setValue(LayerConfigKeys::parentHeight(), StoredValue::fromReal(scene.height()), true);

    HandleWriter writer(handle);
    const bool loadStored = data->loadStoredLayers();
    uint count = 0;
    stack->forEachLayer([&](IStoredLayer &layer) {
        if (!loadStored && layer.layerType() != LT_GAMEVIDEO)
            return;
        // A layer that writes nothing leaves no gap: the next one takes its number.
        if (layer.saveConfig(LayerConfigKeys::layerPrefix(count), &writer))
            ++count;
    });
    handle.setValue(LayerConfigKeys::layersNum(), QString::number(count), true);
    if (!handle.save())
        logError(L"PreviewSetting::saveLayersToFile could not write %ls",
                 fileName.toStdWString().c_str());
}
