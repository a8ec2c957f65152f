#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Writing a settings file so that it is never torn and never goes back in time: the bytes go
// to a temporary file beside the target, are synced to disk, and are renamed over the target
// in one atomic step. Saves are numbered when their content is taken; a save that reaches the
// rename after a later-numbered save of the same file has been put in place is dropped, so
// whichever writer finishes last, the file holds the newest content. Any thread.
namespace SettingsFileWriter {

// The content of a settings file as one save takes it.
struct Snapshot
{
    QString path;   // the store's file name, for messages
    QString target; // the file the rename replaces (path, or the end of its chain of links)
    QByteArray bytes;
    quint64 sequence = 0; // from nextSequence(), when the content was taken
};

// Numbers saves in the order their content is taken; never 0.
quint64 nextSequence();

// Writes bytes to path, truncating it, and syncs them to disk before reporting true.
bool writeSynced(const QString &path, const QByteArray &bytes);

// Puts snapshot in place through target + tempSuffix. Writers that may run at the same time
// must use different suffixes. True when the snapshot, or a later one, is in place; false
// (logged) when the target was left as it was.
bool write(const Snapshot &snapshot, const QString &tempSuffix);

} // namespace SettingsFileWriter
