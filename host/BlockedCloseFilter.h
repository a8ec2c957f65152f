#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>

class QWidget;

// Lets the window manager's close button close a window that a modal window blocks.
//
// While a modal window is open (an editor, the layer manager), Qt drops the window manager's
// close request for every window it blocks before any handler sees it: the close button of the
// main window then does nothing at all. This filter sees the request first and hands it to the
// window's own close(), whose closeEvent decides (the host window closes the engine's windows,
// or says why it stays open). X11 only; on other platforms it does nothing.
class BlockedCloseFilter : public QAbstractNativeEventFilter
{
public:
    explicit BlockedCloseFilter(QWidget *window);
    ~BlockedCloseFilter() override;

    BlockedCloseFilter(const BlockedCloseFilter &) = delete;
    BlockedCloseFilter &operator=(const BlockedCloseFilter &) = delete;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QPointer<QWidget> m_window;
    quint32 m_protocolsAtom = 0;
    quint32 m_deleteWindowAtom = 0;
};
