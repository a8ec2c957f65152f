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
        // The log stays open: other libraries' destructors may still write to it.
        logInfo(L" preview.dll DLL_PROCESS_DETACH.");
    }
};

const LibraryEntry s_libraryEntry;

} // namespace

extern "C" PREVIEWENGINE_EXPORT ZqStudio::IPreviewEngine *createPreviewEngine()
{
    return PreviewEngine::createInstance();
}
