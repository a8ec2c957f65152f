#include "PreviewSetting.h"

#include "AutosaveWriter.h"
#include "ILayerConfigWriter.h"
#include "ILayerStack.h"
#include "IPreviewController.h"
#include "IStoredLayer.h"
#include "LayerConfig.h"
#include "LayerConfigKeys.h"
#include "LayerState.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewConfigCheck.h"
#include "RegularFile.h"
#include "SettingsHandle.h"
#include "SettingsImpl.h"
#include "StoredValue.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Lets LayerConfig write a layer's entries straight into a settings store.
class HandleWriter : public ILayerConfigWriter
{
public:
    HandleWriter(SettingsHandle &handle, bool notify)
        : m_handle(handle)
        , m_notify(notify)
    {}
    void setValue(const QString &key, const QString &value) override
    {
        m_handle.setValue(key, value, m_notify);
    }

private:
    SettingsHandle &m_handle;
    const bool m_notify;
};

} // namespace

using LayerConfigKeys::layerKey;

PreviewSetting::PreviewSetting(IPreviewController *controller, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_autosave([this] { _autosave(); })
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
    m_autosave.cancel();
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
    LayerState game(LT_GAMEVIDEO);
    game.geometry = QRectF(0, 0, static_cast<int>(scene.width()), static_cast<int>(scene.height()));
    stack->addLayer(game);
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
    // Restoring is not a change of the user's: the file stays as it is until one comes.
    m_autosave.cancel();
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
        m_autosave.cancel();
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
    m_autosave.cancel();
}

bool PreviewSetting::_restoreLayer(ILayerStack *stack, const SettingsHandle &handle, uint i)
{
    const QString prefix = LayerConfigKeys::layerPrefix(i);
    const LayerState state = LayerConfig::read(handle, prefix);
    const PreviewCenterData *data = _centerData();
    // Without stored layers only the game video comes back.
    const bool loadStored = data && data->loadStoredLayers();
    switch (state.type) {
    case LT_NONE:
        logWarning(L"PreviewSetting::_loadLayersToContainer layer%u has the type \"%ls\", which "
                   L"is no layer; skipped.",
                   i, handle.value(layerKey(prefix, "type")).toStdWString().c_str());
        return false;
    case LT_GAMEVIDEO:
        break;
    case LT_PICTURE: {
        if (!loadStored)
            return true;
        QString error;
        if (RegularFile::loadImage(state.path, &error).isNull()) {
            logWarning(L"PreviewSetting::_loadLayersToContainer layer%u: picture %ls dropped: %ls",
                       i, state.path.toStdWString().c_str(), error.toStdWString().c_str());
            Q_EMIT sigStoredPictureLeftOut(state.path);
            return false;
        }
        break;
    }
    default:
        if (!loadStored)
            return true;
        break;
    }
    stack->addLayer(state);
    return true;
}

bool PreviewSetting::_mayWrite() const
{
    if (m_restoring || (m_check && m_check->isPending()))
        return false;
    const PreviewCenterData *data = _centerData();
    const ILayerStack *stack = _stack();
    return data && data->layersEditable() && stack && stack->layerCount() > 0;
}

uint PreviewSetting::_writeLayout(SettingsHandle &handle, bool notify) const
{
    handle.clearDocument();
    const PreviewCenterData *data = _centerData();
    const ILayerStack *stack = _stack();
    if (!data || !stack)
        return 0;
    const QSizeF scene = stack->sceneSize();
    handle.setValue(LayerConfigKeys::parentWidth(), StoredValue::fromReal(scene.width()), notify);
    handle.setValue(LayerConfigKeys::parentHeight(), StoredValue::fromReal(scene.height()), notify);

    HandleWriter writer(handle, notify);
    const bool loadStored = data->loadStoredLayers();
    uint count = 0;
    stack->forEachLayer([&](IStoredLayer &layer) {
        if (!loadStored && layer.layerType() != LT_GAMEVIDEO)
            return;
        // A layer that writes nothing leaves no gap: the next one takes its number.
        if (LayerConfig::write(layer.state(), LayerConfigKeys::layerPrefix(count), &writer))
            ++count;
    });
    handle.setValue(LayerConfigKeys::layersNum(), QString::number(count), notify);
    return count;
}

QByteArray PreviewSetting::_layoutBytes() const
{
    SettingsImpl scratch{QString()}; // in memory only
    SettingsHandle handle(&scratch);
    _writeLayout(handle, false);
    return scratch.document().toBytes();
}

void PreviewSetting::saveLayersToFile()
{
    logInfo(L"PreviewSetting::saveLayersToFile");
    if (m_restoring || (m_check && m_check->isPending())) {
        logInfo(L"PreviewSetting::saveLayersToFile the stored layout is not restored yet; the "
                L"file stays as it is.");
        return;
    }
    if (!_mayWrite())
        return;
    // This save writes everything an autosave still waiting would have.
    m_autosave.cancel();
    if (m_writer)
        m_writer->discardWaiting();

    const QString fileName = _fileName();
    if (!_backUpStoredLayout(fileName))
        return;
    SettingsHandle handle(fileName);
    _writeLayout(handle, true);
    SettingsImpl *store = handle.impl();
    std::optional<SettingsFileWriter::Snapshot> snapshot =
        store ? store->snapshot() : std::optional<SettingsFileWriter::Snapshot>();
    if (!snapshot) {
        logError(L"PreviewSetting::saveLayersToFile could not write %ls",
                 fileName.toStdWString().c_str());
        return;
    }
    // Written by the autosave thread, after whatever it is writing now; the GUI thread waits
    // for it, but never longer than FinalSaveWaitMs: a disk that does not answer must not
    // freeze the host's window or its shutdown. A late write still lands (saves are numbered,
    // so it never undoes a newer one).
    if (!m_writer)
        m_writer = std::make_unique<AutosaveWriter>();
    m_writer->write(std::move(*snapshot));
    if (!m_writer->waitWritten(FinalSaveWaitMs))
        logError(L"PreviewSetting::saveLayersToFile could not write %ls within %d ms",
                 fileName.toStdWString().c_str(), FinalSaveWaitMs);
}

void PreviewSetting::onLayersChanged()
{
    m_autosave.noteChange();
}

void PreviewSetting::_autosave()
{
    if (!_mayWrite())
        return;
    // An open editor changes its layer live, and a cancel takes it all back: only what the
    // user confirms is theirs.
    if (m_controller && m_controller->isEditingLayer()) {
        m_autosave.retryLater();
        return;
    }
    // The file's store holds what the file holds, as far as this process knows: what was read,
    // or what was last written or handed to the writer.
    const QString fileName = _fileName();
    SettingsHandle handle(fileName);
    SettingsImpl *store = handle.impl();
    if (!store || _layoutBytes() == store->document().toBytes())
        return;
    if (!_backUpStoredLayout(fileName))
        return;
    const uint count = _writeLayout(handle, true);
    std::optional<SettingsFileWriter::Snapshot> snapshot = store->snapshot();
    if (!snapshot)
        return;
    logInfo(L"PreviewSetting::autosave %u layers to %ls", count,
            snapshot->target.toStdWString().c_str());
    if (!m_writer)
        m_writer = std::make_unique<AutosaveWriter>();
    m_writer->write(std::move(*snapshot));
}
