#include "SettingsFileWriter.h"

#include "Log.h"

#include <appcommon/ZqPlatform.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// The newest save put in place, per target. A plain static, released with the library (a host
// may unload it, and what it allocated must go with it); a writer thread still running keeps
// the library loaded, so this outlives it but for the process's own exit.
struct CommitOrder
{
    std::mutex mutex;
    std::map<QString, quint64> committed;
};

CommitOrder &commitOrder()
{
    static CommitOrder order;
    return order;
}

std::atomic<quint64> s_lastSequence{0};

std::filesystem::path localPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

namespace SettingsFileWriter {

quint64 nextSequence()
{
    return s_lastSequence.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool writeSynced(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        logError(L"SettingsFileWriter cannot create %ls: %ls", wide(path).c_str(),
                 wide(file.errorString()).c_str());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        logError(L"SettingsFileWriter cannot write %ls: %ls", wide(path).c_str(),
                 wide(file.errorString()).c_str());
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        logError(L"SettingsFileWriter cannot close %ls: %ls", wide(path).c_str(),
                 wide(file.errorString()).c_str());
        return false;
    }
    int error = 0;
    if (!ZqPlatform::syncFile(path.toStdWString(), &error)) {
        logError(L"SettingsFileWriter cannot sync %ls to disk, error %d.", wide(path).c_str(),
                 error);
        return false;
    }
    return true;
}

bool write(const Snapshot &snapshot, const QString &tempSuffix)
{
    const QString &target = snapshot.target;
    const int slash = target.lastIndexOf(QLatin1Char('/'));
    const QString dir = slash >= 0 ? target.left(slash + 1) : QString();
    if (!dir.isEmpty() && !QDir().mkpath(dir)) {
        logError(L"SettingsFileWriter cannot create directory %ls; %ls kept as it was.",
                 wide(dir).c_str(), wide(snapshot.path).c_str());
        return false;
    }
    const QString fresh = target + tempSuffix;
    if (!writeSynced(fresh, snapshot.bytes)) {
        // A partial temporary file must not be mistaken for anything later.
        if (QFileInfo(fresh).isFile())
            QFile::remove(fresh);
        logError(L"SettingsFileWriter writing %ls failed; %ls kept as it was.", wide(fresh).c_str(),
                 wide(snapshot.path).c_str());
        return false;
    }
    if (QFileInfo::exists(target))
        QFile::setPermissions(fresh, QFile::permissions(target));

    std::error_code error;
    bool superseded = false;
    {
        // Only the check and the rename: nobody ever waits here for a write or a sync.
        CommitOrder &order = commitOrder();
        const std::lock_guard<std::mutex> locker(order.mutex);
        quint64 &newest = order.committed[target];
        if (snapshot.sequence < newest) {
            superseded = true;
        } else {
            std::filesystem::rename(localPath(fresh), localPath(target), error);
            if (!error)
                newest = snapshot.sequence;
        }
    }
    if (superseded) {
        QFile::remove(fresh);
        return true;
    }
    if (error) {
        QFile::remove(fresh);
        logError(L"SettingsFileWriter cannot put %ls in place: %ls; %ls kept as it was.",
                 wide(fresh).c_str(), wide(QString::fromStdString(error.message())).c_str(),
                 wide(snapshot.path).c_str());
        return false;
    }
    // The rename lives in the directory; without this a power loss can undo it. The new file is
    // in place either way, so a failure here only costs durability.
    int syncError = 0;
    if (!ZqPlatform::syncFile(QFileInfo(target).absolutePath().toStdWString(), &syncError))
        logWarning(L"SettingsFileWriter cannot sync the folder of %ls, error %d.",
                   wide(target).c_str(), syncError);
    return true;
}

} // namespace SettingsFileWriter
