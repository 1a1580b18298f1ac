#pragma once

// One HTTP connection until it upgrades to a WebSocket or closes: the only reader of
// its socket. Every request on it (pipelined ones too, chunked bodies to their end) is
// checked as its bytes arrive (head, address, origin, one reading of the length, body
// size, a token before a large body); a request let through is read whole, once, and
// handed to the front, and its answer takes its place in the connection's order. A
// body too large to hold is streamed to its sink instead, read no faster than the sink
// takes it. A refused request is answered after the requests before it and ends the
// connection, holding none of its bytes; so does a request that asks to close (or an
// HTTP/1.0 one that does not ask to stay), and a client that ends its stream is still
// answered, then the connection closes. A connection slow to send a head or a body,
// or slow to take a stored file, is closed.

#include "http/RequestHead.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class BodyStream;
class HttpFront;
class QTcpSocket;
class RequestGate;
class StreamEndWatch;
struct StreamedBody;

class HttpConnection : public QObject {
public:
    // A child of the socket: it goes with it.
    HttpConnection(QTcpSocket* socket, const RequestGate& gate, HttpFront& front);
    ~HttpConnection() override;

private:
    // Decoding: a streamed body is all read and its sink still at work. Upgrading:
    // waits for the answers before it, then hands the socket over. Ending: its last
    // request is read; what comes after is read and dropped.
    enum class Stage { Head, Body, Decoding, Upgrading, Ending };
    // The parts of a chunked body: a size line, that many bytes, their line end; after
    // the last (empty) chunk, the empty line that ends the request.
    enum class Chunk { Size, Data, DataEnd, Trailer };
    // After the last answer: how long and how much of the rest is read and dropped.
    static constexpr int kLingerMs = 2000;
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
    void bodyRead();
    void endOfRequest(StreamedBody streamed);
    void upgrade();
    void answered();
    void refuse(const ServerError& error);
    void clientEnded();
    // No request after this one: the connection ends once its answers are out.
    void endAfterAnswers();
    void closeAfterLast();

    QTcpSocket* m_socket;
    const RequestGate& m_gate;
    HttpFront& m_front;
    QTimer m_timer;
    StreamEndWatch* m_endWatch;
    Stage m_stage = Stage::Head;
    // The current head so far (up to one byte past the limit), then what was read of it.
    QByteArray m_head;
    RequestHead m_request;
    // The current request's place among the connection's answers; -1 before its head is taken.
    qint64 m_place = -1;
    QByteArray m_headBytes;
    // Bytes read behind a streamed body, taken once its sink is done.
    QByteArray m_unread;
    // Bytes read after an upgrade's head, which belong to the WebSocket.
    QByteArray m_afterUpgrade;
    qint64 m_limit = 0;
    QByteArray m_body;
    // Where a streamed body goes instead of m_body.
    std::unique_ptr<BodyStream> m_stream;
    qint64 m_bodyTaken = 0;
    qint64 m_bodyLeft = 0;
    Chunk m_chunk = Chunk::Size;
    qint64 m_chunkLeft = 0;
    QByteArray m_line;
    QElapsedTimer m_bodyClock;
    qint64 m_dropped = 0;
    bool m_clientEnded = false;
    // Every answer is out and the server's side of the stream ended.
    bool m_lastWritten = false;
};
