#pragma once

#include <functional>

class BasicLayerData;
class QObject;
class UIBaseWindow;

// An open editor window as the scene sees it: it takes the scene's record, changes the layer
// while the user works, and ends with exactly one of confirmed or discarded, carrying the
// record (null when the editor refused it). The window deletes itself when closed.
class ILayerEditor
{
public:
    using EndHandler = std::function<void(BasicLayerData *record)>;

    // The window to show, guard and close.
    virtual UIBaseWindow *window() = 0;
    // Hands the editor its record: the snapshot of the layer (the layer itself is
    // record->layer), which the editor changes live while the user works. A record it cannot
    // edit closes the editor at once.
    virtual void setLayerData(BasicLayerData *record) = 0;
    // Calls onConfirmed or onDiscarded when the edit ends, for as long as context lives.
    virtual void connectEnds(QObject *context, EndHandler onConfirmed, EndHandler onDiscarded) = 0;

protected:
    ~ILayerEditor() = default; // owned by Qt through the window
};
