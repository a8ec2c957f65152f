#include "EditorFactory.h"

#include "CameraSettingWindow.h"
#include "ImageSettingWindow.h"
#include "LayersMgrWindow.h"
#include "LayerType.h"
#include "Log.h"
#include "PreviewContainer.h"
#include "TextEditWindow.h"

namespace {

template<typename Editor>
bool connectEnds(UIBaseWindow *window, QObject *context,
                 const std::function<void(BasicLayerData *)> &onConfirmed,
                 const std::function<void(BasicLayerData *)> &onDiscarded)
{
    auto *editor = qobject_cast<Editor *>(window);
    if (!editor)
        return false;
    QObject::connect(editor, &Editor::confirmed, context, onConfirmed);
    QObject::connect(editor, &Editor::discarded, context, onDiscarded);
    return true;
}

} // namespace

EditorFactory::EditorFactory(IPreviewController *controller)
    : m_controller(controller)
{}

EditorFactory::~EditorFactory() = default;

UIBaseWindow *EditorFactory::createEditor(int layerType, QWidget *parent)
{
    switch (layerType) {
    case LT_PICTURE:
        return ImageSettingWindow::create(m_controller, parent);
    case LT_TEXT:
        return TextEditWindow::create(m_controller, parent);
    case LT_CAMERA:
        return CameraSettingWindow::create(m_controller, parent);
    default:
        return nullptr; // the game video has no editor
    }
}

void EditorFactory::setEditorData(UIBaseWindow *editor, BasicLayerData *record)
{
    if (auto *picture = qobject_cast<ImageSettingWindow *>(editor))
        picture->setLayerData(record);
    else if (auto *text = qobject_cast<TextEditWindow *>(editor))
        text->setLayerData(record);
    else if (auto *camera = qobject_cast<CameraSettingWindow *>(editor))
        camera->setLayerData(record);
}

void EditorFactory::connectEditor(UIBaseWindow *editor, QObject *context,
                                  std::function<void(BasicLayerData *)> onConfirmed,
                                  std::function<void(BasicLayerData *)> onDiscarded)
{
    if (!connectEnds<ImageSettingWindow>(editor, context, onConfirmed, onDiscarded) &&
        !connectEnds<TextEditWindow>(editor, context, onConfirmed, onDiscarded) &&
        !connectEnds<CameraSettingWindow>(editor, context, onConfirmed, onDiscarded))
        logWarning(L"EditorFactory::connectEditor not an editor window.");
}

UIBaseWindow *EditorFactory::createLayersManager(QWidget *parent, PreviewContainer *scene,
                                                 RelayoutLogic *relayout)
{
    return LayersMgrWindow::create(parent, scene, relayout);
}

void EditorFactory::setLayerEntries(UIBaseWindow *manager, const QList<LayerEntry> &entries)
{
    if (auto *window = qobject_cast<LayersMgrWindow *>(manager))
        window->setLayers(entries);
}
