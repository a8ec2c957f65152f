#pragma once

#include "appcommon_global.h"

#include <cstdint>
#include <ctime>
#include <string>

// The few operating-system services that neither the C++ library nor Qt offer in a form we
// can use (before any QCoreApplication exists, or from any thread without allocation).
// Everything platform-specific in the project lives behind this namespace.
namespace ZqPlatform {

// Absolute path of the running executable; empty if the system cannot tell.
APPCOMMON_EXPORT std::wstring executableFilePath();

APPCOMMON_EXPORT std::int64_t currentProcessId();

// The kernel's id of the calling thread, the number debuggers and `top -H` show.
APPCOMMON_EXPORT std::int64_t currentThreadId();

// Local wall-clock time now, with milliseconds. Returns false and sets errorCode when the
// conversion to local time fails.
APPCOMMON_EXPORT bool localTimeNow(std::tm *time, int *milliseconds, int *errorCode);

// Forces the file's written data to stable storage. False (errorCode set) when the file cannot
// be opened or synced.
APPCOMMON_EXPORT bool syncFile(const std::wstring &path, int *errorCode = nullptr);

// Puts from under the name to in one atomic step, replacing a file already there, and makes
// the change durable. At every moment `to` names either the old file or the new one.
APPCOMMON_EXPORT bool replaceFile(const std::wstring &from, const std::wstring &to,
                                  int *errorCode = nullptr);

} // namespace ZqPlatform
