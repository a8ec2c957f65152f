#pragma once

#include "appcommon_global.h"

#include <cstdint>
#include <cstdio>
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

// Error code of the open functions below for a path that names something other than a regular
// file (a FIFO, a device, a directory): opening one of those could block or never end.
constexpr int NotARegularFile = -2;

// A readable text for an error code of this namespace (errno values included).
APPCOMMON_EXPORT std::wstring errorText(int errorCode);

// Opens an existing regular file for reading without ever blocking on what the path names;
// returns a descriptor for QFile::open(int, ...) or std::fdopen, or -1 with errorCode set.
APPCOMMON_EXPORT int openRegularFileForReading(const std::wstring &path, int *errorCode = nullptr);

// Opens (creating it when missing, mode 0644 before the umask) a regular file for appending and
// reading, as fopen's "a+b" would, and truncates it first when truncate is set; null with
// errorCode set when the path names anything but a regular file or cannot be opened.
APPCOMMON_EXPORT std::FILE *openRegularFileForAppending(const std::wstring &path, bool truncate,
                                                        int *errorCode = nullptr);

// Keeps the shared library that holds address loaded until the process ends, so a thread of
// ours that outlives its owner never returns into unmapped code. True when pinned.
APPCOMMON_EXPORT bool pinModuleOf(const void *address);

} // namespace ZqPlatform
