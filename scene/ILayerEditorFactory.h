#pragma once

#include "ILayerEditor.h"
#include "LayerEntry.h"

#include <QList>

class PreviewContainer;
class QWidget;
class RelayoutLogic;
class UIBaseWindow;

// How the scene opens windows that live above it (the editors and the layer manager belong to
// a higher layer of the engine, which installs its implementation in the scene). Every window
// is built anew, owned by Qt through parent, deletes itself when closed, and is held by the
// scene in a guarded pointer. GUI thread only.
class ILayerEditorFactory
{
public:
    virtual ~ILayerEditorFactory() = default;

    // A new editor for a layer of layerType (LT_PICTURE, LT_TEXT, LT_CAMERA), built from its
    // layout; null for a kind without an editor.
    virtual ILayerEditor *createEditor(int layerType, QWidget *parent) = 0;

    // The layer manager, wired to the scene and the ordering rules.
    virtual UIBaseWindow *createLayersManager(QWidget *parent, PreviewContainer *scene,
                                              RelayoutLogic *relayout) = 0;
    // Fills the layer manager with the stack, in stacking order (the back first).
    virtual void setLayerEntries(UIBaseWindow *manager, const QList<LayerEntry> &entries) = 0;
};
