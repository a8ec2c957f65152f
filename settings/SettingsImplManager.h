#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <set>

class SettingsImpl;

// The process's open settings files, one SettingsImpl per file name, and the observers told
// after a save which key prefixes changed. GUI thread only.
class SettingsImplManager : public QObject
{
    Q_OBJECT

public:
    ~SettingsImplManager() override;

    // The manager, created on first use; null once the process has begun its final clean-up.
    static SettingsImplManager *instance();

    // Absolute paths name themselves; "preview" names the preview settings file; anything
    // else is not a tag (empty name, error logged).
    static QString getFilenameForTag(const QString &tag);

    // The store for the tag's file, loaded on first use and shared afterwards.
    std::shared_ptr<SettingsImpl> implForTag(const QString &tag);
    // Drops the store, unsaved changes included, and deletes the file from disk.
    void removeTag(const QString &tag);
    // Saves every store that holds changes and lets all of them go, so that the next use reads
    // the files afresh (the engine does this when it is released; the files may be edited or
    // replaced before an engine is created again). False if a save failed; that store is
    // kept, with its changes.
    bool closeAll();

    // Records the first two levels of key ("a/b/c" gives "a/b") for the next dispatch.
    void noteChange(const QString &key);
    QStringList pendingChanges() const;

    // After a save that touched a key starting with keyPrefix, method (by name, no
    // arguments) is called on object from the event loop. The record goes with the object.
    void addObserver(const QString &keyPrefix, QObject *object, const QString &method);
    void removeObserver(QObject *object);

    // Calls the named meta-method of object with values converted to its parameter types.
    // Logs and returns an invalid variant when values are too few or cannot be converted.
    QVariant _invoke(QObject *object, const QMetaMethod &method, const QVariantList &values);

Q_SIGNALS:
    void asyncEmitTagChanged();

private Q_SLOTS:
    void on_asyncEmitTagChanged();

private:
    struct Observer
    {
        QPointer<QObject> object;
        QString method;
    };

    SettingsImplManager();

    QMap<QString, std::shared_ptr<SettingsImpl>> m_files;
    QMap<QString, QList<Observer>> m_observers;
    std::set<QString> m_pending;
};
