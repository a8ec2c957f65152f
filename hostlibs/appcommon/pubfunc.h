#pragma once

#include "appcommon_global.h"

#include <cstddef>
#include <string>
#include <vector>

// Path, identifier and text services shared by the host application and the engine.
//
// Paths follow the XDG base directory rules; <exe> is the running executable's file name
// without extension:
//   log files      ${XDG_STATE_HOME:-$HOME/.local/state}/<exe>/log/<name>.log
//   settings       ${XDG_CONFIG_HOME:-$HOME/.config}/<exe>/previewsetting.xml
//   cache          ${XDG_CACHE_HOME:-$HOME/.cache}/<exe>
// An XDG variable that is empty or holds a relative path is ignored, as the rules require.
// None of these functions creates a directory; the writer of a file does.
class APPCOMMON_EXPORT pubfunc
{
public:
    // Module types for getAppExePath(). Every type resolves to the program's directory here;
    // the numbers are kept for hosts written against the original interface.
    enum AppModuleType { ModuleExecutable = 0, ModuleProgram = 1 };

    // Code pages understood by toWideString().
    enum CodePage : unsigned int {
        CodePageSystem = 0, // the process's 8-bit encoding: UTF-8 on this platform
        CodePageLatin1 = 28591,
        CodePageAscii = 20127,
        CodePageUtf8 = 65001
    };

    static std::wstring getAppExeNameWithoutExt();
    static std::wstring getLogFileDir(const std::wstring &name);
    static std::wstring getAppExePath(int moduleType);
    static std::wstring getPreviewSettingFileName();
    static std::wstring getAppCacheDirPath();

    // Hex MD5 of the bytes: stable across runs and machines, and safe in a file name.
    static std::string getHashString(const char *data, std::size_t length);
    // A new random GUID in its registry form, "{8-4-4-4-12}" in upper-case hex.
    static std::string createGUID();

    // Converts 8-bit text to wide text. A negative length means the text ends at its first
    // NUL. Invalid sequences become U+FFFD; an unknown code page gives an empty string.
    static std::wstring toWideString(const char *text, int length, unsigned int codePage);

    // Replaces the contents of parts with the pieces of text between separators, empty pieces
    // included ("a::b" at ":" gives "a", "", "b"). An empty separator yields the whole text.
    static void splitWString(const std::wstring &text, const std::wstring &separator,
                             std::vector<std::wstring> &parts);
};
