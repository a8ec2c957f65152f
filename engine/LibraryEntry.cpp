// What the library does when it is loaded and unloaded, and its one exported function.

#include "IPreviewEngine.h"
#include "Log.h"
#include "PreviewEngine.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UILog.h>

#include <QString>

namespace {

// The GUI library's own messages go to the engine's log.
void logFromGuiLibrary(UILog::Level level, const QString &message)
{
    const std::wstring text = message.toStdWString();
    switch (level) {
    case UILog::Info:
        logInfo(L"%ls", text.c_str());
        break;
    case UILog::Warning:
        logWarning(L"%ls", text.c_str());
        break;
    case UILog::Error:
        logError(L"%ls", text.c_str());
        break;
    }
}

class LibraryEntry
{
public:
    LibraryEntry()
    {
        const std::wstring exeName = pubfunc::getAppExeNameWithoutExt();
        openLogFile(pubfunc::getLogFileDir(exeName + L"-orbelsdk"));
        logInfo(L"  exeName=%ls.exe  previewengine.dll DLL_PROCESS_ATTACH  start...",
                exeName.c_str());
        m_previousSink = UILog::setSink(&logFromGuiLibrary);
    }

    ~LibraryEntry()
    {
        // The sink's code leaves with this library.
        UILog::setSink(m_previousSink);
        logInfo(L" preview.dll DLL_PROCESS_DETACH.");
        // Every line is already flushed. The code that writes the log leaves with the library,
        // so this is the moment to let the file go, not to keep it open for nobody.
        closeLogFile();
    }

private:
    UILog::Sink m_previousSink = nullptr;
};

const LibraryEntry s_libraryEntry;

} // namespace

extern "C" PREVIEWENGINE_EXPORT ZqStudio::IPreviewEngine *createPreviewEngine()
{
    return PreviewEngine::createInstance();
}
