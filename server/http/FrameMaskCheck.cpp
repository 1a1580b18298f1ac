#include "http/FrameMaskCheck.h"

#include <QTcpSocket>
#include <QWebSocket>

FrameMaskCheck::FrameMaskCheck(QTcpSocket* socket)
    : QObject(socket)
    , m_socket(socket)
{
    m_closeWait.setSingleShot(true);
    connect(&m_closeWait, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, this, &FrameMaskCheck::beforeTheWebSocket);
}

void FrameMaskCheck::follow(QWebSocket* webSocket)
{
    m_webSocket = webSocket;
    m_seen = 0;
    // Connected after the WebSocket's own reader, which it made as it was created.
    connect(m_socket, &QTcpSocket::readyRead, this, &FrameMaskCheck::afterTheWebSocket);
    beforeTheWebSocket();
    afterTheWebSocket();
}

void FrameMaskCheck::beforeTheWebSocket()
{
    if (!m_webSocket)
        return;
    if (m_refused) {
        m_socket->skip(m_socket->bytesAvailable());
        return;
    }
    const qint64 available = m_socket->bytesAvailable();
    if (available <= m_seen)
        return;
    const QByteArray fresh = m_socket->peek(available).mid(m_seen);
    m_seen = available;
    for (qsizetype at = 0; at < fresh.size();) {
        if (m_payloadLeft > 0) {
            const quint64 skipped = qMin<quint64>(m_payloadLeft, quint64(fresh.size() - at));
            m_payloadLeft -= skipped;
            at += qsizetype(skipped);
            continue;
        }
        if (!takeHeadByte(fresh[at++])) {
            refuse();
            return;
        }
    }
}

bool FrameMaskCheck::takeHeadByte(char byte)
{
    m_head.append(byte);
    if (m_head.size() < 2)
        return true;
    const quint8 second = quint8(m_head[1]);
    if (!(second & 0x80))
        return false;
    const quint8 shortLength = second & 0x7f;
    const int lengthBytes = shortLength == 126 ? 2 : shortLength == 127 ? 8 : 0;
    // Two bytes, the longer length if any, four of mask.
    if (m_head.size() < 2 + lengthBytes + 4)
        return true;
    quint64 length = shortLength;
    if (lengthBytes > 0) {
        length = 0;
        for (int i = 0; i < lengthBytes; ++i)
            length = (length << 8) | quint8(m_head[2 + i]);
    }
    m_payloadLeft = length;
    m_head.clear();
    return true;
}

void FrameMaskCheck::afterTheWebSocket()
{
    // What the WebSocket left is what was seen of it.
    if (m_webSocket && !m_refused)
        m_seen = m_socket->bytesAvailable();
}

void FrameMaskCheck::refuse()
{
    m_refused = true;
    m_socket->skip(m_socket->bytesAvailable());
    m_webSocket->close(QWebSocketProtocol::CloseCodeProtocolError, QStringLiteral("client frames must be masked"));
    // The peer may never answer the close: the connection ends in any case.
    m_closeWait.start(kCloseWaitMs);
}
