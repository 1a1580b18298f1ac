#include "http/StreamEndWatch.h"

#include <QEvent>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <sys/ioctl.h>
#include <sys/socket.h>

StreamEndWatch::StreamEndWatch(QTcpSocket* socket, std::function<void()> ended)
    : QObject(socket)
    , m_socket(socket)
    , m_ended(std::move(ended))
{
    for (QSocketNotifier* notifier : socket->findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->installEventFilter(this);
    }
}

bool StreamEndWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::SockAct)
        return false;
    const int descriptor = int(m_socket->socketDescriptor());
    int waiting = 0;
    char byte = 0;
    // Nothing to read and a read would return nothing: the client's stream ended.
    if (::ioctl(descriptor, FIONREAD, &waiting) != 0 || waiting > 0 || ::recv(descriptor, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0)
        return false;
    static_cast<QSocketNotifier*>(watched)->setEnabled(false);
    if (!std::exchange(m_seen, true))
        m_ended();
    return true;
}
