#pragma once

#include "LayerEntry.h"

#include <QList>

#include <functional>

class BasicLayerData;
class PreviewContainer;
class QObject;
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
    virtual UIBaseWindow *createEditor(int layerType, QWidget *parent) = 0;
    // Hands the editor its record: the snapshot of the layer (the layer itself is
    // record->layer), which the editor changes live while the user works.
    virtual void setEditorData(UIBaseWindow *editor, BasicLayerData *record) = 0;
    // Calls onConfirmed or onDiscarded when the editor sends confirmed(BasicLayerData*) or
    // discarded(BasicLayerData*), for as long as context lives.
    virtual void connectEditor(UIBaseWindow *editor, QObject *context,
                               std::function<void(BasicLayerData *)> onConfirmed,
                               std::function<void(BasicLayerData *)> onDiscarded) = 0;

    // The layer manager, wired to the scene and the ordering rules.
    virtual UIBaseWindow *createLayersManager(QWidget *parent, PreviewContainer *scene,
                                              RelayoutLogic *relayout) = 0;
    // Fills the layer manager with the stack, in stacking order (the back first).
    virtual void setLayerEntries(UIBaseWindow *manager, const QList<LayerEntry> &entries) = 0;
};
