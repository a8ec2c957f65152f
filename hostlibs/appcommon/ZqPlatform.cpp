#include "ZqPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cstring>

#if defined(__linux__)
#include <dlfcn.h>
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

int openWithoutBlocking(const std::string &path, int flags, int *errorCode)
{
    // O_NONBLOCK keeps open() itself from waiting for a FIFO's other end; it is cleared again
    // once the descriptor is known to be a regular file.
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setError(errorCode, errno);
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        setError(errorCode, ZqPlatform::NotARegularFile);
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        setError(errorCode, errno);
        ::close(fd);
        return -1;
    }
    setError(errorCode, 0);
    return fd;
}

} // namespace

namespace ZqPlatform {

std::wstring errorText(int errorCode)
{
    if (errorCode == NotARegularFile)
        return L"not a regular file";
    if (errorCode == 0)
        return L"no error";
    return QString::fromLocal8Bit(std::strerror(errorCode)).toStdWString();
}

int openRegularFileForReading(const std::wstring &path, int *errorCode)
{
    return openWithoutBlocking(localPath(path), O_RDONLY, errorCode);
}

std::FILE *openRegularFileForAppending(const std::wstring &path, bool truncate, int *errorCode)
{
    // Truncating only after the type check: O_TRUNC on a device could mean anything.
    const int fd = openWithoutBlocking(localPath(path), O_RDWR | O_CREAT | O_APPEND, errorCode);
    if (fd < 0)
        return nullptr;
    if (truncate && ::ftruncate(fd, 0) != 0) {
        setError(errorCode, errno);
        ::close(fd);
        return nullptr;
    }
    std::FILE *file = ::fdopen(fd, "a+b");
    if (!file) {
        setError(errorCode, errno);
        ::close(fd);
    }
    return file;
}

bool pinModuleOf(const void *address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || !info.dli_fname)
        return false;
    // The extra reference is kept on purpose; RTLD_NODELETE makes the library stay even when
    // the host drops every reference it holds. The executable itself never unloads.
    return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

std::wstring executableFilePath()
{
    // The kernel's link is there before main() and needs no QCoreApplication. Read once: the
    // program does not move, and reading the link needs no right to enter the folders on its
    // way, where resolving them (canonicalFilePath) fails once the process looks at files as
    // another user, and every path named after the program would change under it.
    static const std::wstring path =
        QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget().toStdWString();
    return path;
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
