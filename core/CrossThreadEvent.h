#pragma once

#include <QCoreApplication>
#include <QEvent>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

// Events that carry data from a capture thread to an object on the GUI thread. Qt's event
// queue orders the sender's writes before the receiver's reads, but Qt is not built with
// ThreadSanitizer, which therefore cannot see that order; these two calls state it (they do
// nothing in other builds), so the sanitizer still watches everything else we share.
namespace CrossThreadEvent {

// Posts event to receiver; the event's fields must be complete.
inline void post(QObject *receiver, QEvent *event)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(event);
#endif
    QCoreApplication::postEvent(receiver, event);
}

// The receiver's event() calls this for such an event before it reads it.
inline void received(QEvent *event)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(event);
#else
    Q_UNUSED(event)
#endif
}

// An object that another thread hands to its own thread for deletion (deleteLater): the
// destructor calls handedOver(this) first.
inline void handOver(QObject *object)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(object);
#endif
    object->deleteLater();
}

inline void handedOver(QObject *object)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(object);
#else
    Q_UNUSED(object)
#endif
}

} // namespace CrossThreadEvent
