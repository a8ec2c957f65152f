#pragma once

#include "CXmlDocument.h"
#include "SettingsFileWriter.h"

#include <QString>

#include <optional>

// One open settings file: its document, the name it was opened for, and whether it holds
// changes not yet written. Owned by SettingsImplManager; reached through SettingsHandle.
class SettingsImpl
{
public:
    // Nothing is read yet; load() does that. An empty path makes an in-memory store that
    // never touches the disk.
    explicit SettingsImpl(const QString &path);
    ~SettingsImpl();

    SettingsImpl(const SettingsImpl &) = delete;
    SettingsImpl &operator=(const SettingsImpl &) = delete;

    // Reads the file. A missing file, or one that cannot be used, gives an empty document; an
    // unusable one is first kept aside as path + ".unreadable" (copied, or moved when it is
    // too big to be ours or cannot be read) so the next save cannot destroy the only copy of
    // what the user had. One that can be neither is never overwritten by this store.
    void load();

    QString path() const { return m_path; }
    bool isDirty() const { return m_dirty; }
    CXmlDocument &document() { return m_document; }
    const CXmlDocument &document() const { return m_document; }

    // The stored text, or defaultValue when it is empty or missing.
    QString value(const QString &key, const QString &defaultValue = QString()) const;
    // Writes only when the text differs; a write marks the store dirty.
    void setValue(const QString &key, const QString &value);

    // Writes the document as path + ".new", synced, then puts it under path in one atomic
    // rename, so a crash at any point leaves either the old or the new file there. A path that
    // is a symbolic link is saved through it: the new file goes beside the link's target and
    // replaces that, so the link survives. The file's permissions are kept. On failure the old
    // file stays, the store stays dirty, and the result is false.
    bool save();
    // The document as it is now, numbered, for a save carried out elsewhere (on another thread,
    // through SettingsFileWriter::write); the store stays dirty. Nothing (logged) when this
    // store must not write its file: no file name, a file that could not be kept aside, or a
    // loop of symbolic links.
    std::optional<SettingsFileWriter::Snapshot> snapshot() const;

private:
    static QString _newSuffix() { return QStringLiteral(".new"); }
    static QString _oldSuffix() { return QStringLiteral(".old"); }
    void _recoverInterruptedSave();
    void _setAsideUnreadable();
    // The file a save replaces: path, or the end of the chain of links it names; empty for a
    // chain that never ends.
    QString _saveTarget() const;

    CXmlDocument m_document;
    QString m_path;
    bool m_dirty = false;
    bool m_keepFile = false; // an unusable file that could not be kept aside
};
