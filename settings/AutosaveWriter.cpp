#include "AutosaveWriter.h"

#include "Log.h"

#include <appcommon/ZqPlatform.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

// Serialises the writes of all writers: a writer left to finish after its owner went may meet
// the next owner's writer on the same temporary file. A plain static, released with the library
// (a host may unload it); a writer still running keeps the library loaded (pinModuleOf).
std::mutex &writeOrder()
{
    static std::mutex mutex;
    return mutex;
}

void moduleAnchor() {}

} // namespace

struct AutosaveWriter::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<SettingsFileWriter::Snapshot> waiting;
    bool writing = false;
    bool stop = false;
    bool lastWritten = true; // the outcome of the last write
};

AutosaveWriter::AutosaveWriter()
    : m_shared(std::make_shared<Shared>())
{}

AutosaveWriter::~AutosaveWriter()
{
    if (!m_thread.joinable())
        return;
    bool finished = false;
    {
        std::unique_lock<std::mutex> locker(m_shared->mutex);
        m_shared->stop = true;
        m_shared->wake.notify_one();
        // A waiting snapshot is still written: it may be the newest content there is.
        finished = m_shared->idle.wait_for(locker, std::chrono::milliseconds(StopWaitMs), [this] {
            return !m_shared->writing && !m_shared->waiting;
        });
    }
    if (finished) {
        m_thread.join();
        return;
    }
    // A disk that does not answer must not hold up the host's shutdown. The thread owns its
    // share of the state; the library stays mapped for the code it still has to run.
    m_thread.detach();
    const bool pinned = ZqPlatform::pinModuleOf(reinterpret_cast<const void *>(&moduleAnchor));
    logWarning(L"AutosaveWriter a save is still being written after %d ms; it finishes on its "
               L"own%ls.",
               StopWaitMs, pinned ? L" (the library stays loaded until then)" : L"");
}

void AutosaveWriter::write(SettingsFileWriter::Snapshot snapshot)
{
    {
        const std::lock_guard<std::mutex> locker(m_shared->mutex);
        m_shared->waiting = std::move(snapshot);
    }
    m_shared->wake.notify_one();
    if (!m_thread.joinable())
        m_thread = std::thread(&AutosaveWriter::_run, m_shared);
}

void AutosaveWriter::discardWaiting()
{
    const std::lock_guard<std::mutex> locker(m_shared->mutex);
    m_shared->waiting.reset();
    if (!m_shared->writing)
        m_shared->idle.notify_all();
}

bool AutosaveWriter::waitWritten(int ms)
{
    std::unique_lock<std::mutex> locker(m_shared->mutex);
    const bool idle = m_shared->idle.wait_for(locker, std::chrono::milliseconds(ms), [this] {
        return !m_shared->writing && !m_shared->waiting;
    });
    return idle && m_shared->lastWritten;
}

void AutosaveWriter::_run(std::shared_ptr<Shared> shared)
{
    std::unique_lock<std::mutex> locker(shared->mutex);
    for (;;) {
        shared->wake.wait(locker, [&] { return shared->stop || shared->waiting; });
        if (!shared->waiting)
            return; // stopped with nothing left to write
        const SettingsFileWriter::Snapshot snapshot = std::move(*shared->waiting);
        shared->waiting.reset();
        shared->writing = true;
        locker.unlock();
        bool written = false;
        {
            // Failures are logged by the writer; the next change or save tries again.
            const std::lock_guard<std::mutex> order(writeOrder());
            written = SettingsFileWriter::write(snapshot, tempSuffix());
        }
        locker.lock();
        shared->writing = false;
        shared->lastWritten = written;
        if (!shared->waiting)
            shared->idle.notify_all();
    }
}
