#pragma once

// One HTTP connection until it upgrades to a WebSocket or closes: the only reader of
// its socket. Every request on it (pipelined ones too, chunked bodies to their end) is
// checked as its bytes arrive (head, address, origin, one reading of the length, body
// size, a token before a large body); a request let through is read whole, once, and
// handed to the front, and its answer takes its place in the connection's order. A
// refused request is answered after the requests before it and ends the connection,
// holding none of its bytes. A connection slow to send a head or a body, or slow to
// take a stored file, is closed.

#include "http/RequestHead.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class HttpFront;
class QTcpSocket;
class RequestGate;

class HttpConnection : public QObject {
public:
    // A child of the socket: it goes with it.
    HttpConnection(QTcpSocket* socket, const RequestGate& gate, HttpFront& front);

private:
    // Refused: its answer waits for those of the requests before it, nothing more is
    // read. Upgrading: waits for the answers before it, then hands the socket over.
    enum class Stage { Head, Body, Upgrading, Refused };
    // The parts of a chunked body: a size line, that many bytes, their line end; after
    // the last (empty) chunk, the empty line that ends the request.
    enum class Chunk { Size, Data, DataEnd, Trailer };
    // After a refusal: how long and how much of the rest is read and dropped.
    static constexpr int kRefusedLingerMs = 2000;
    static constexpr qint64 kMaxDropped = 4 << 20;
    static constexpr qint64 kDropChunk = 64 << 10;
    static constexpr qsizetype kMaxChunkLine = 1024;
    static constexpr qint64 kReadPiece = 256 << 10;

    void readAvailable();
    // Each takes bytes of data from offset on and returns where its part of them ends.
    qsizetype readHead(const QByteArray& data, qsizetype offset);
    qsizetype readBody(const QByteArray& data, qsizetype offset);
    qsizetype readChunked(const QByteArray& data, qsizetype offset);
    // A chunked body's line (size, data end or trailer) is complete.
    void chunkLine(const QByteArray& line);
    bool takeBodyBytes(const char* bytes, qsizetype count);
    void keepPace();
    void startRequest(const QByteArray& head);
    void endOfRequest();
    void upgrade();
    void answered();
    void refuse(const ServerError& error);
    void drop();
    void closeAfterRefusal();

    QTcpSocket* m_socket;
    const RequestGate& m_gate;
    HttpFront& m_front;
    QTimer m_timer;
    Stage m_stage = Stage::Head;
    // The current head so far (up to one byte past the limit), then what was read of it.
    QByteArray m_head;
    RequestHead m_request;
    QByteArray m_headBytes;
    // Bytes read after an upgrade's head, which belong to the WebSocket.
    QByteArray m_afterUpgrade;
    qint64 m_limit = 0;
    QByteArray m_body;
    qint64 m_bodyLeft = 0;
    Chunk m_chunk = Chunk::Size;
    qint64 m_chunkLeft = 0;
    QByteArray m_line;
    QElapsedTimer m_bodyClock;
    qint64 m_dropped = 0;
};
