#include "EditorSupport.h"

#include "BasicLayerData.h"
#include "IPreviewController.h"
#include "Log.h"
#include "RegularFile.h"

#include <guifoundation/XmlUIBuilder.h>

#include <QFileInfo>

namespace EditorSupport {

UIBaseWindow *buildWindow(const QString &layout, QWidget *parent, const char *className)
{
    UIBaseWindow *window = XmlUIBuilder::createFromFile(layout, parent);
    if (!window) {
        logError(L"EditorSupport::buildWindow %ls cannot be built.", layout.toStdWString().c_str());
        return nullptr;
    }
    if (!window->inherits(className)) {
        logError(L"EditorSupport::buildWindow %ls does not make a %s.",
                 layout.toStdWString().c_str(), className);
        delete window;
        return nullptr;
    }
    return window;
}

void connectByName(QObject *window, const char *objectName, const char *signal, const char *slot)
{
    QObject *control = window->findChild<QObject *>(QString::fromLatin1(objectName));
    if (!control) {
        logWarning(L"EditorSupport::connectByName %s has no control %s.",
                   window->metaObject()->className(), objectName);
        return;
    }
    QObject::connect(control, signal, window, slot, Qt::UniqueConnection);
}

bool isEditableRecord(const QObject *window, const BasicLayerData *record, int type,
                      const IPreviewController *controller)
{
    if (record && record->type == type && controller && controller->hasLayer(record->layer))
        return true;
    logWarning(L"%s::setLayerData not a layer of its kind in the scene; closing.",
               window->metaObject()->className());
    return false;
}

bool isLoadablePicture(const QString &path, QString *error)
{
    // Opened only as a regular file: a path typed letter by letter may name a folder, a device
    // or a pipe on the way, and reading one of those could block or never end.
    return !RegularFile::loadImage(path, error).isNull();
}

} // namespace EditorSupport
