#pragma once

#include <guifoundation/UIBaseWindow.h>

#include <QString>

class BasicLayerData;
class IPreviewController;
class QObject;

// What the editor windows share: building a window from its layout, connecting a named
// control, and telling whether a file is a picture this system reads.
namespace EditorSupport {

// The window of class T built from layout, or null (logged) when the file cannot be built or
// names another class.
UIBaseWindow *buildWindow(const QString &layout, QWidget *parent, const char *className);

template<typename T>
T *build(const QString &layout, QWidget *parent)
{
    return static_cast<T *>(buildWindow(layout, parent, T::staticMetaObject.className()));
}

// Connects signal of window's child control objectName to slot of window, once. Signal and
// slot are signature texts (SIGNAL(), SLOT()). Only for slots whose names do not read
// on_<objectName>_<signal>: the layout builder connects those after setupUi().
void connectByName(QObject *window, const char *objectName, const char *signal, const char *slot);

// True when record is a layer of kind type that the controller's scene holds. Otherwise the
// editor window is handed something it cannot edit, which is logged in its name.
bool isEditableRecord(const QObject *window, const BasicLayerData *record, int type,
                      const IPreviewController *controller);

// True when path names a regular file that decodes as a picture; the reason in error otherwise.
bool isLoadablePicture(const QString &path, QString *error = nullptr);

} // namespace EditorSupport
