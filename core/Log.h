#pragma once

#include <string>

// The process-wide log. Messages start with "Class::method", then the detail; formats are
// wide printf formats (use %ls for wide strings and %s only for plain ASCII).

// Opens the process's log file; false if it is already open or cannot be opened.
bool openLogFile(const std::wstring &path);
// Closes the process's log; only for the library's unload, when no engine thread runs.
void closeLogFile();

void logInfo(const wchar_t *format, ...);
void logWarning(const wchar_t *format, ...);
void logError(const wchar_t *format, ...);
