#include "Log.h"

#include "LogFile.h"

#include <atomic>
#include <cstdarg>
#include <memory>
#include <mutex>

namespace {

// Lives until the library is unloaded: any thread may log at any time before that.
std::atomic<LogFile *> g_log{nullptr};
std::mutex g_openMutex;

void writeTo(int level, const wchar_t *format, std::va_list args)
{
    if (LogFile *log = g_log.load(std::memory_order_acquire))
        log->write(level, format, args);
}

} // namespace

bool openLogFile(const std::wstring &path)
{
    const std::lock_guard<std::mutex> lock(g_openMutex);
    if (g_log.load(std::memory_order_acquire))
        return false;
    auto log = std::make_unique<LogFile>();
    if (!log->open(path))
        return false;
    g_log.store(log.release(), std::memory_order_release);
    return true;
}

void closeLogFile()
{
    const std::lock_guard<std::mutex> lock(g_openMutex);
    delete g_log.exchange(nullptr, std::memory_order_acq_rel);
}

void logInfo(const wchar_t *format, ...)
{
    std::va_list args;
    va_start(args, format);
    writeTo(LogInfo, format, args);
    va_end(args);
}

void logWarning(const wchar_t *format, ...)
{
    std::va_list args;
    va_start(args, format);
    writeTo(LogWarning, format, args);
    va_end(args);
}

void logError(const wchar_t *format, ...)
{
    std::va_list args;
    va_start(args, format);
    writeTo(LogError, format, args);
    va_end(args);
}
