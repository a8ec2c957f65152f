// What the library does when it is loaded and unloaded, and its one exported function.

#include "IPreviewEngine.h"
#include "Log.h"
#include "PreviewEngine.h"

#include <appcommon/pubfunc.h>

namespace {

class LibraryEntry
{
public:
    LibraryEntry()
    {
        const std::wstring exeName = pubfunc::getAppExeNameWithoutExt();
        openLogFile(pubfunc::getLogFileDir(exeName + L"-orbelsdk"));
        logInfo(L"  exeName=%ls.exe  previewengine.dll DLL_PROCESS_ATTACH  start...",
                exeName.c_str());
    }

    ~LibraryEntry()
    {
        logInfo(L" preview.dll DLL_PROCESS_DETACH.");
        // Every line is already flushed. The code that writes the log leaves with the library,
        // so this is the moment to let the file go, not to keep it open for nobody.
        closeLogFile();
    }
};

const LibraryEntry s_libraryEntry;

} // namespace

extern "C" PREVIEWENGINE_EXPORT ZqStudio::IPreviewEngine *createPreviewEngine()
{
    return PreviewEngine::createInstance();
}
