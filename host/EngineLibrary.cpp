#include "EngineLibrary.h"

#include <previewengine/IPreviewEngine.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

EngineLibrary::EngineLibrary(const QString &path)
    : m_library(path.isEmpty() ? defaultPath() : path)
{}

EngineLibrary::~EngineLibrary() = default;

QString EngineLibrary::defaultPath()
{
    // In a build tree the program is in bin/ beside lib/; installed, it is in lib/previewhost/.
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const char *relative : {"../lib/libpreviewengine.so", "../libpreviewengine.so"}) {
        const QString beside = programDir.filePath(QLatin1String(relative));
        if (QFileInfo::exists(beside))
            return QDir::cleanPath(beside);
    }
    // Fall back to the dynamic loader's own search (LD_LIBRARY_PATH, system directories).
    return QStringLiteral("previewengine");
}

bool EngineLibrary::load()
{
    if (m_factory)
        return true;
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    m_factory = reinterpret_cast<Factory>(m_library.resolve("createPreviewEngine"));
    if (!m_factory) {
        m_error = QStringLiteral("%1 has no createPreviewEngine: %2")
                      .arg(m_library.fileName(), m_library.errorString());
        m_library.unload();
        return false;
    }
    return true;
}

ZqStudio::IPreviewEngine *EngineLibrary::createEngine() const
{
    return m_factory ? m_factory() : nullptr;
}

bool EngineLibrary::unload()
{
    m_factory = nullptr;
    if (!m_library.isLoaded())
        return true;
    // What the engine left to the event loop on its way out (its closed windows and items,
    // deleted later, and events posted to them) runs the library's code: deliver it while the
    // code is still there. A destructor may post more, hence a few rounds.
    if (QCoreApplication::instance()) {
        for (int round = 0; round < 4; ++round) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    return m_library.unload();
}
