#include "ZqPlatform.h"

#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <chrono>

#if defined(__linux__)
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#else
#error "ZqPlatform has no implementation for this platform yet"
#endif

namespace ZqPlatform {

std::wstring executableFilePath()
{
    // The kernel's link is there before main() and needs no QCoreApplication.
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return target.toStdWString();
}

std::int64_t currentProcessId()
{
    return static_cast<std::int64_t>(::getpid());
}

std::int64_t currentThreadId()
{
    return static_cast<std::int64_t>(::syscall(SYS_gettid));
}

bool localTimeNow(std::tm *time, int *milliseconds, int *errorCode)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto sinceEpoch = now.time_since_epoch();
    *milliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000);
    if (*milliseconds < 0)
        *milliseconds += 1000;
    errno = 0;
    if (::localtime_r(&seconds, time) == nullptr) {
        *errorCode = errno;
        return false;
    }
    *errorCode = 0;
    return true;
}

} // namespace ZqPlatform
