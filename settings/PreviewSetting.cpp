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
#include "SettingsHandle.h"
#include "StoredValue.h"

#include <QFont>
#include <QPixmap>

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
    if (ret)
        _loadLayersToContainer();
    else
        _addBasicLayersToContainer();
    Q_EMIT sigLoadFromConfigFinished();
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

    const PreviewCenterData *data = _centerData();
    const bool loadStored = data && data->loadStoredLayers();
    for (int i = 0; i < count; ++i) {
        const QString prefix = LayerConfigKeys::layerPrefix(uint(i));
        const auto read = [&](const char *name) {
            return handle.value(layerKey(prefix, name));
        };
        const QPoint pos = StoredValue::toPoint(read("pos"));
        const QSize size = StoredValue::toSize(read("size"));
        const bool combine = read("combine").toInt() != 0;
        const QString name = read("name");
        const int alpha = StoredValue::toUInt(read("alpha"));

        switch (StoredValue::toUInt(read("type"))) {
        case LT_PICTURE: {
            if (!loadStored)
                break;
            const QString path = read("path");
            // A picture that is gone is dropped; the rest of the stack still loads.
            if (QPixmap().load(path)) {
                stack->addImageLayer(path, StoredValue::toUInt(read("caneditsize")) > 0, pos,
                                     combine, size, alpha, name);
            }
            break;
        }
        case LT_TEXT: {
            if (!loadStored)
                break;
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
            break;
        }
        case LT_CAMERA: {
            if (!loadStored)
                break;
            const QSize capture(read("devicewidth").toInt(), read("deviceheight").toInt());
            stack->addCameraLayer(pos, combine, size, alpha, read("device"), capture, name, false,
                                  uint(StoredValue::toUInt(read("keyColor"))),
                                  read("sensitivity").toFloat(), read("blend").toFloat());
            break;
        }
        case LT_GAMEVIDEO:
            stack->addGameVideoLayer(pos, combine, size, alpha, name);
            break;
        default:
            break; // a missing or unknown layer is skipped
        }
    }
    handle.save();
}

void PreviewSetting::saveLayersToFile()
{
    logInfo(L"PreviewSetting::saveLayersToFile");
    const PreviewCenterData *data = _centerData();
    const ILayerStack *stack = _stack();
    if (!data || !data->layersEditable() || !stack || stack->layerCount() == 0)
        return;

    const QString fileName = _fileName();
    SettingsHandle(fileName).removeFile();
    SettingsHandle handle(fileName);
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
