#include "EditorSupport.h"

#include "BasicLayerData.h"
#include "IPreviewController.h"
#include "Log.h"

#include <guifoundation/XmlUIBuilder.h>

#include <QFileInfo>
#include <QImageReader>

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

bool acceptRecord(UIBaseWindow *window, const BasicLayerData *record, int type,
                  const IPreviewController *controller)
{
    if (record && record->type == type && controller && controller->hasLayer(record->layer))
        return true;
    logWarning(L"%s::setLayerData not a layer of its kind in the scene; closing.",
               window->metaObject()->className());
    window->close();
    return false;
}

bool isLoadablePicture(const QString &path)
{
    // Only regular files: a path typed letter by letter may name a folder, a device or a pipe
    // on the way, and reading one of those could block or never end.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    return !reader.read().isNull();
}

} // namespace EditorSupport
