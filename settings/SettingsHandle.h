#pragma once

#include <QString>

#include <memory>

class SettingsImpl;

// A light reference to the store of one settings file. Copying is cheap; the handle keeps the
// store it points at alive (even when the manager lets it go meanwhile) and never saves by
// itself. GUI thread only.
class SettingsHandle
{
public:
    // The store for the tag (see SettingsImplManager::getFilenameForTag).
    explicit SettingsHandle(const QString &tag);
    // A handle on a store owned elsewhere, e.g. one read from memory.
    explicit SettingsHandle(SettingsImpl *impl);

    bool isValid() const { return m_impl != nullptr; }
    SettingsImpl *impl() const { return m_impl.get(); }

    QString value(const QString &key, const QString &defaultValue = QString()) const;
    // With notify, the key's prefix is recorded for the observers whether or not the value
    // changes.
    void setValue(const QString &key, const QString &value, bool notify = true);
    // Empties the document, unsaved changes included, so no stale key survives; the file on
    // disk is replaced only when the new content is saved.
    void clearDocument();
    // Writes the file when it holds changes. False only when a needed write failed.
    bool save();

private:
    std::shared_ptr<SettingsImpl> m_impl;
};
