#include "SettingsImpl.h"

#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

} // namespace

SettingsImpl::SettingsImpl(const QString &path)
    : m_path(path)
{}

SettingsImpl::~SettingsImpl() = default;

void SettingsImpl::load()
{
    m_dirty = false;
    m_keepFile = false;
    m_document.clear();
    if (m_path.isEmpty())
        return;
    _recoverInterruptedSave();
    if (m_document.loadFile(m_path))
        return;
    const QFileInfo info(m_path);
    if (info.isFile() && info.size() > 0)
        _setAsideUnreadable();
}

void SettingsImpl::_recoverInterruptedSave()
{
    // Writers on systems without an atomic replace move the file to ".old" before putting the
    // new one in place; a crash between the two steps leaves only ".old". Bring it back.
    const QString old = m_path + _oldSuffix();
    if (QFileInfo::exists(m_path) || !QFileInfo(old).isFile())
        return;
    if (QFile::rename(old, m_path))
        logWarning(L"SettingsImpl::load restored %ls from an interrupted save.",
                   wide(m_path).c_str());
    else
        logWarning(L"SettingsImpl::load cannot restore %ls from %ls.", wide(m_path).c_str(),
                   wide(old).c_str());
}

void SettingsImpl::_setAsideUnreadable()
{
    const QString aside = m_path + QStringLiteral(".unreadable");
    QFile::remove(aside);
    // Copied while small, so the file stays where it was until a save replaces it; one too
    // big to be ours, or one we may not read, is moved instead.
    const bool small = QFileInfo(m_path).size() <= CXmlDocument::MaxFileSize;
    const bool kept = (small && QFile::copy(m_path, aside)) || QFile::rename(m_path, aside);
    if (kept) {
        logWarning(L"SettingsImpl::load %ls is unusable; kept it as %ls and started empty.",
                   wide(m_path).c_str(), wide(aside).c_str());
        return;
    }
    m_keepFile = true;
    logError(L"SettingsImpl::load %ls is unusable and cannot be kept aside; started empty, and "
             L"the file will not be overwritten.",
             wide(m_path).c_str());
}

QString SettingsImpl::_saveTarget() const
{
    QString target = m_path;
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        target = info.symLinkTarget();
    }
    return QString();
}

QString SettingsImpl::value(const QString &key, const QString &defaultValue) const
{
    const QString stored = m_document.getValue(key);
    return stored.isEmpty() ? defaultValue : stored;
}

void SettingsImpl::setValue(const QString &key, const QString &value)
{
    if (m_document.getValue(key) == value)
        return;
    // Dirty even when the write fails: the caller meant to change the file.
    m_document.setValue(key, value);
    m_dirty = true;
}

std::optional<SettingsFileWriter::Snapshot> SettingsImpl::snapshot() const
{
    if (m_path.isEmpty()) {
        logWarning(L"SettingsImpl::save store has no file name; nothing written.");
        return std::nullopt;
    }
    if (m_keepFile) {
        logError(L"SettingsImpl::save %ls could not be kept aside when it was read; not "
                 L"overwritten.",
                 wide(m_path).c_str());
        return std::nullopt;
    }
    SettingsFileWriter::Snapshot snapshot;
    snapshot.target = _saveTarget();
    if (snapshot.target.isEmpty()) {
        logError(L"SettingsImpl::save %ls is a loop of symbolic links; nothing written.",
                 wide(m_path).c_str());
        return std::nullopt;
    }
    snapshot.path = m_path;
    snapshot.bytes = m_document.toBytes();
    snapshot.sequence = SettingsFileWriter::nextSequence();
    return snapshot;
}

bool SettingsImpl::save()
{
    const std::optional<SettingsFileWriter::Snapshot> content = snapshot();
    if (!content)
        return false;
    if (!SettingsFileWriter::write(*content, _newSuffix())) {
        logError(L"SettingsImpl::save %ls not written; its changes are kept for the next save.",
                 wide(m_path).c_str());
        return false;
    }
    // A ".old" left by an interrupted move-aside save is superseded now.
    const QString old = m_path + _oldSuffix();
    if (QFileInfo(old).isFile())
        QFile::remove(old);
    m_dirty = false;
    return true;
}
