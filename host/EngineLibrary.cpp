#include "EngineLibrary.h"

#include <previewengine/IPreviewEngine.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace {

// How long the engine's own single-shot timers may still be pending after release: its layer
// items refresh themselves up to half a second later.
constexpr int EngineTimersMs = 600;

} // namespace

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
    // A pending single-shot timer of the engine holds a slot whose code is the library's: were
    // it to fire (or be freed) after the unload, it would run unmapped code. Let such timers run
    // out, and the windows the engine closed be deleted, while the code is still there.
    if (QCoreApplication::instance()) {
        const QDeadlineTimer drain(EngineTimersMs);
        while (!drain.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QThread::msleep(5);
        }
    }
    return m_library.unload();
}
