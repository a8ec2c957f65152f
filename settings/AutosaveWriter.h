#pragma once

#include "SettingsFileWriter.h"

#include <memory>
#include <thread>

// Writes settings snapshots on a thread of its own, so the GUI thread never waits for the disk.
// Only the newest content matters: a snapshot handed over while another still waits replaces
// it. The thread touches no QObject; it only writes files (SettingsFileWriter) and logs. The
// writes of every AutosaveWriter in the process go one after the other, since they share the
// temporary file beside the target.
class AutosaveWriter
{
public:
    // How long destruction waits for a write under way before it leaves the thread to finish
    // on its own (a later-numbered save has usually been written by then anyway).
    static constexpr int StopWaitMs = 2000;

    AutosaveWriter();
    ~AutosaveWriter();

    AutosaveWriter(const AutosaveWriter &) = delete;
    AutosaveWriter &operator=(const AutosaveWriter &) = delete;

    // Queues the snapshot for writing; starts the thread on first use.
    void write(SettingsFileWriter::Snapshot snapshot);
    // Drops a snapshot not yet started: its content was written by other means since.
    void discardWaiting();
    // Waits at most ms for every snapshot handed over to be written. True when they were, and
    // the last write put its content (or a later one) in place; false on a failed write or
    // when the disk did not answer in time (the write then finishes on its own).
    bool waitWritten(int ms);

    static QString tempSuffix() { return QStringLiteral(".autosave.new"); }

private:
    struct Shared;
    static void _run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};
