#pragma once

#include <appcommon/ZqCriticalSection.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

enum LogLevel { LogInfo = 0, LogWarning = 1, LogError = 2, LogFatal = 3, LogDebug = 4 };

// An append-only, line-per-event log file. Lines are UTF-8, end in CR LF and are flushed one
// by one, so the log survives a crash up to its last line. A log over 20 MiB is rotated when
// it is opened: "<name>.bk" becomes "<name>.bk.bk", the log becomes "<name>.bk", and a new
// empty log starts. Any thread may write; lines never interleave.
class LogFile
{
public:
    static constexpr long long RotateSize = 20 * 1024 * 1024;
    static constexpr int MaxMessageLength = 4091;

    LogFile();
    ~LogFile();

    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    // Opens the file at path, creating missing directories. False if this object already
    // has a file open, or if the file cannot be opened.
    bool open(const std::wstring &path);
    bool isOpen() const;

    void write(int level, const wchar_t *format, std::va_list args);
    void writeMessage(int level, const wchar_t *message);

    // The text of one line, CR LF included, before UTF-8 conversion.
    static std::wstring formatLine(int level, const std::tm &localTime, int milliseconds,
                                   long long processId, long long threadId, const wchar_t *message);
    static const wchar_t *levelTag(int level);

private:
    bool _openLocked();
    void _rotateLocked();
    void _closeLocked();

    ZqCriticalSection m_lock;
    std::FILE *m_file = nullptr;
    std::wstring m_path;
};
