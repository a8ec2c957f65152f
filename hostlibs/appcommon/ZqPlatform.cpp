#include "ZqPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <chrono>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#else
#error "ZqPlatform has no implementation for this platform yet"
#endif

namespace {

std::string localPath(const std::wstring &path)
{
    return QFile::encodeName(QString::fromStdWString(path)).toStdString();
}

void setError(int *errorCode, int value)
{
    if (errorCode)
        *errorCode = value;
}

bool syncPath(const std::string &path, int flags, int *errorCode)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setError(errorCode, errno);
        return false;
    }
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int syncError = result == 0 ? 0 : errno;
    ::close(fd);
    setError(errorCode, syncError);
    return result == 0;
}

} // namespace

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

bool syncFile(const std::wstring &path, int *errorCode)
{
    return syncPath(localPath(path), O_RDONLY, errorCode);
}

bool replaceFile(const std::wstring &from, const std::wstring &to, int *errorCode)
{
    const std::string target = localPath(to);
    if (::rename(localPath(from).c_str(), target.c_str()) != 0) {
        setError(errorCode, errno);
        return false;
    }
    // The rename itself lives in the directory; without this a power loss can undo it.
    const QString dir = QFileInfo(QString::fromStdWString(to)).absolutePath();
    int dirError = 0;
    if (!syncPath(QFile::encodeName(dir).toStdString(), O_RDONLY | O_DIRECTORY, &dirError)) {
        // The new file is in place; only its durability is in doubt, so report success.
        setError(errorCode, dirError);
        return true;
    }
    setError(errorCode, 0);
    return true;
}

} // namespace ZqPlatform
