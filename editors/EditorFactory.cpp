#include "EditorFactory.h"

#include "CameraSettingWindow.h"
#include "ImageSettingWindow.h"
#include "LayersMgrWindow.h"
#include "LayerType.h"
#include "PreviewContainer.h"
#include "TextEditWindow.h"

EditorFactory::EditorFactory(IPreviewController *controller)
    : m_controller(controller)
{}

EditorFactory::~EditorFactory() = default;

ILayerEditor *EditorFactory::createEditor(int layerType, QWidget *parent)
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
