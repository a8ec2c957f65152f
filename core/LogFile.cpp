#include "LogFile.h"

#include <appcommon/ZqCSAutoLocker.h>
#include <appcommon/ZqPlatform.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cwchar>

namespace {

constexpr int BufferLength = LogFile::MaxMessageLength + 1;

QByteArray nativePath(const std::wstring &path)
{
    return QFile::encodeName(QString::fromStdWString(path));
}

// Directory and file name split at the last separator of either kind: hosts ported from
// Windows may still hand us backslashes.
std::size_t lastSeparator(const std::wstring &path)
{
    return path.find_last_of(L"\\/");
}

std::wstring directoryOf(const std::wstring &path)
{
    const std::size_t pos = lastSeparator(path);
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos);
}

bool ensureDirectory(const std::wstring &dir)
{
    if (dir.empty())
        return false;
    const QString qdir = QString::fromStdWString(dir);
    if (QFileInfo(qdir).isDir())
        return true;
    return QDir().mkpath(qdir);
}

bool exists(const std::wstring &path)
{
    return QFileInfo::exists(QString::fromStdWString(path));
}

// Only ever a regular file: a FIFO would block every logging thread once its pipe is full, a
// device could be anything.
std::FILE *openFile(const std::wstring &path, bool truncate, int *error)
{
    return ZqPlatform::openRegularFileForAppending(path, truncate, error);
}

bool isLineBreakOrControl(wchar_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           // Bidirectional overrides and isolates reorder what a reader sees.
           c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// One event, one line, and nothing in a message that a terminal or an editor acts on: line
// breaks become backslash-n and backslash-r, every other control character its hex code.
std::wstring escapeControls(const wchar_t *message)
{
    std::wstring flat;
    for (const wchar_t *p = message; p && *p; ++p) {
        const wchar_t c = *p;
        if (!isLineBreakOrControl(c)) {
            flat += c;
        } else if (c == L'\n') {
            flat += L"\\n";
        } else if (c == L'\r') {
            flat += L"\\r";
        } else {
            wchar_t code[8];
            std::swprintf(code, 8, c < 0x100 ? L"\\x%02X" : L"\\u%04X", unsigned(c));
            flat += code;
        }
    }
    return flat;
}

// The fixed English names keep lines readable whatever locale the host application set.
const wchar_t *const DayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t *const MonthNames[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                     L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

void truncateAt(wchar_t *buffer, int length)
{
    buffer[length] = L'\0';
}

} // namespace

LogFile::LogFile() = default;

LogFile::~LogFile()
{
    const ZqCSAutoLocker locker(&m_lock);
    _closeLocked();
}

bool LogFile::open(const std::wstring &path)
{
    const ZqCSAutoLocker locker(&m_lock);
    if (m_file)
        return false;
    m_path = path;
    return _openLocked();
}

bool LogFile::isOpen() const
{
    const ZqCSAutoLocker locker(&m_lock);
    return m_file != nullptr;
}

bool LogFile::_openLocked()
{
    if (!ensureDirectory(directoryOf(m_path)))
        return false;
    int error = 0;
    m_file = openFile(m_path, false, &error);
    if (!m_file && error == ZqPlatform::NotARegularFile) {
        std::fprintf(stderr,
                     "previewengine: the log path %s is not a regular file; logging goes on "
                     "without a log file.\n",
                     nativePath(m_path).constData());
        return false;
    }
    if (!m_file)
        _rotateLocked();
    if (!m_file)
        return false;
    if (std::fseek(m_file, 0, SEEK_END) == 0 && std::ftell(m_file) > RotateSize)
        _rotateLocked();
    return m_file != nullptr;
}

void LogFile::_rotateLocked()
{
    _closeLocked();
    if (!exists(m_path)) {
        m_file = openFile(m_path, true, nullptr);
        return;
    }
    const std::size_t pos = lastSeparator(m_path);
    const std::wstring dir = directoryOf(m_path);
    const std::wstring name = pos == std::wstring::npos ? m_path : m_path.substr(pos + 1);
    if (!ensureDirectory(dir) || name.empty())
        return;
    const wchar_t separator = m_path[pos];
    const std::wstring firstBackup = dir + separator + name + L".bk";
    const std::wstring secondBackup = firstBackup + L".bk";
    if (exists(firstBackup)) {
        if (exists(secondBackup))
            std::remove(nativePath(secondBackup).constData());
        std::rename(nativePath(firstBackup).constData(), nativePath(secondBackup).constData());
    }
    // Never truncate a log we could not move aside: keep appending to it instead.
    const bool moved =
        std::rename(nativePath(m_path).constData(), nativePath(firstBackup).constData()) == 0;
    m_file = openFile(m_path, moved, nullptr);
}

void LogFile::_closeLocked()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

const wchar_t *LogFile::levelTag(int level)
{
    switch (level) {
    case LogWarning:
        return L":warning ";
    case LogError:
        return L":error ";
    case LogFatal:
        return L":fatal ";
    case LogDebug:
        return L":debug ";
    default:
        return L":info ";
    }
}

std::wstring LogFile::formatLine(int level, const std::tm &t, int milliseconds, long long processId,
                                 long long threadId, const wchar_t *message)
{
    wchar_t date[51];
    const int weekday = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
    const int month = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    std::swprintf(date, 51, L"%ls %ls %02d %02d:%02d:%02d %d:", DayNames[weekday],
                  MonthNames[month], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);

    const std::wstring flat = escapeControls(message);
    wchar_t part[BufferLength];
    part[0] = L'\0';
    std::swprintf(part, BufferLength, L" %d [%lld] [%lld] %ls%ls", milliseconds, processId,
                  threadId, levelTag(level), flat.c_str());
    part[BufferLength - 1] = L'\0';
    // Keep the line end even when the message filled the buffer.
    int length = static_cast<int>(std::wcslen(part));
    if (length > MaxMessageLength - 2)
        length = MaxMessageLength - 2;
    part[length] = L'\r';
    part[length + 1] = L'\n';
    truncateAt(part, length + 2);

    std::wstring line(date);
    line += part;
    return line;
}

void LogFile::write(int level, const wchar_t *format, std::va_list args)
{
    wchar_t message[BufferLength];
    message[0] = L'\0';
    if (format) {
        // On overflow the standard leaves the buffer unspecified; glibc keeps the cut text.
        if (std::vswprintf(message, BufferLength, format, args) < 0)
            message[BufferLength - 1] = L'\0';
    }
    writeMessage(level, message);
}

void LogFile::writeMessage(int level, const wchar_t *message)
{
    const ZqCSAutoLocker locker(&m_lock);
    if (!m_file)
        return;
    std::tm now{};
    int milliseconds = 0;
    int error = 0;
    QByteArray bytes;
    if (ZqPlatform::localTimeNow(&now, &milliseconds, &error)) {
        const std::wstring line =
            formatLine(level, now, milliseconds, ZqPlatform::currentProcessId(),
                       ZqPlatform::currentThreadId(), message);
        bytes = QString::fromStdWString(line).toUtf8();
    } else {
        bytes = QByteArray("log failed for get loacl time error :") + QByteArray::number(error);
    }
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_file);
    std::fflush(m_file);
}
