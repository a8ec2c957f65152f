#include "SaveScheduler.h"

#include <QtGlobal>

SaveScheduler::SaveScheduler(std::function<void()> save)
    : m_save(std::move(save))
{
    m_timer.setSingleShot(true);
    m_timer.setObjectName(QStringLiteral("autosaveTimer"));
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        m_firstChange.invalidate();
        m_save();
    });
}

void SaveScheduler::noteChange()
{
    if (!m_firstChange.isValid())
        m_firstChange.start();
    const qint64 left = MaxDelayMs - m_firstChange.elapsed();
    m_timer.start(int(qBound(qint64(0), left, qint64(QuietMs))));
}

void SaveScheduler::retryLater()
{
    m_firstChange.start();
    m_timer.start(QuietMs);
}

void SaveScheduler::cancel()
{
    m_timer.stop();
    m_firstChange.invalidate();
}
