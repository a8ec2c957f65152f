#pragma once

#include "ILayerEditorFactory.h"

class IPreviewController;

// The scene's way to the editor windows and the layer manager: builds each from its layout,
// hands it the scene's record, and reports how the edit ended. The engine makes one for its
// controller and installs it in the controller, which passes it to every scene it creates.
class EditorFactory : public ILayerEditorFactory
{
public:
    // controller answers the editors' questions (cameras, filter words, scene membership); it
    // must outlive every window built here.
    explicit EditorFactory(IPreviewController *controller);
    ~EditorFactory() override;

    ILayerEditor *createEditor(int layerType, QWidget *parent) override;
    UIBaseWindow *createLayersManager(QWidget *parent, PreviewContainer *scene,
                                      RelayoutLogic *relayout) override;
    void setLayerEntries(UIBaseWindow *manager, const QList<LayerEntry> &entries) override;

private:
    IPreviewController *const m_controller;
};
