#include "pubfunc.h"

#include "ZqPlatform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QUuid>

#include <cstring>

namespace {

QString exeName()
{
    const QString path = QString::fromStdWString(ZqPlatform::executableFilePath());
    const QString name = QFileInfo(path).completeBaseName();
    // Only a very unusual system hides the executable; keep files in a predictable place then.
    return name.isEmpty() ? QStringLiteral("previewengine") : name;
}

QString xdgBaseDir(const char *variable, const char *fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackUnderHome));
}

QString appDirUnder(const char *variable, const char *fallbackUnderHome)
{
    return xdgBaseDir(variable, fallbackUnderHome) + QLatin1Char('/') + exeName();
}

} // namespace

std::wstring pubfunc::getAppExeNameWithoutExt()
{
    return exeName().toStdWString();
}

std::wstring pubfunc::getLogFileDir(const std::wstring &name)
{
    const QString dir = appDirUnder("XDG_STATE_HOME", ".local/state");
    return (dir + QStringLiteral("/log/") + QString::fromStdWString(name) + QStringLiteral(".log"))
        .toStdWString();
}

std::wstring pubfunc::getAppExePath(int moduleType)
{
    Q_UNUSED(moduleType)
    const QString path = QString::fromStdWString(ZqPlatform::executableFilePath());
    return QFileInfo(path).absolutePath().toStdWString();
}

std::wstring pubfunc::getPreviewSettingFileName()
{
    const QString dir = appDirUnder("XDG_CONFIG_HOME", ".config");
    return (dir + QStringLiteral("/previewsetting.xml")).toStdWString();
}

std::wstring pubfunc::getAppCacheDirPath()
{
    return appDirUnder("XDG_CACHE_HOME", ".cache").toStdWString();
}

std::string pubfunc::getHashString(const char *data, std::size_t length)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (data && length > 0)
        hash.addData(QByteArrayView(data, static_cast<qsizetype>(length)));
    return hash.result().toHex().toStdString();
}

std::string pubfunc::createGUID()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper().toStdString();
}

std::wstring pubfunc::toWideString(const char *text, int length, unsigned int codePage)
{
    if (!text)
        return {};
    const qsizetype size = length < 0 ? static_cast<qsizetype>(std::strlen(text)) : length;
    switch (codePage) {
    case CodePageSystem:
    case CodePageUtf8:
        return QString::fromUtf8(text, size).toStdWString();
    case CodePageLatin1:
        return QString::fromLatin1(text, size).toStdWString();
    case CodePageAscii: {
        std::wstring result;
        result.reserve(static_cast<std::size_t>(size));
        for (qsizetype i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            result.push_back(byte < 0x80 ? wchar_t(byte) : wchar_t(0xFFFD));
        }
        return result;
    }
    default:
        return {};
    }
}

void pubfunc::splitWString(const std::wstring &text, const std::wstring &separator,
                           std::vector<std::wstring> &parts)
{
    parts.clear();
    if (separator.empty()) {
        parts.push_back(text);
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t found = text.find(separator, start);
        if (found == std::wstring::npos) {
            parts.push_back(text.substr(start));
            return;
        }
        parts.push_back(text.substr(start, found - start));
        start = found + separator.size();
    }
}
