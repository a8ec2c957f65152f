#include "BlockedCloseFilter.h"

#include <QApplication>
#include <QWidget>

#ifdef PREVIEWHOST_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

#ifdef PREVIEWHOST_HAVE_XCB
xcb_connection_t *xcbConnection()
{
    const auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

quint32 internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 1, quint16(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const quint32 atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}
#endif

} // namespace

BlockedCloseFilter::BlockedCloseFilter(QWidget *window)
    : m_window(window)
{
#ifdef PREVIEWHOST_HAVE_XCB
    if (xcb_connection_t *connection = xcbConnection()) {
        m_protocolsAtom = internAtom(connection, "WM_PROTOCOLS");
        m_deleteWindowAtom = internAtom(connection, "WM_DELETE_WINDOW");
    }
#endif
    if (m_protocolsAtom && m_deleteWindowAtom)
        qApp->installNativeEventFilter(this);
}

BlockedCloseFilter::~BlockedCloseFilter()
{
    if (qApp)
        qApp->removeNativeEventFilter(this);
}

bool BlockedCloseFilter::nativeEventFilter(const QByteArray &eventType, void *message,
                                           qintptr *result)
{
    Q_UNUSED(result)
#ifdef PREVIEWHOST_HAVE_XCB
    if (!m_window || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *client = static_cast<const xcb_client_message_event_t *>(message);
    if (client->format != 32 || client->type != m_protocolsAtom ||
        client->data.data32[0] != m_deleteWindowAtom ||
        client->window != xcb_window_t(m_window->internalWinId()))
        return false;
    // Unblocked, Qt delivers the request itself.
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == m_window)
        return false;
    const QPointer<QWidget> window = m_window;
    QMetaObject::invokeMethod(
        window, [window] { window->close(); }, Qt::QueuedConnection);
    return true;
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    return false;
#endif
}
