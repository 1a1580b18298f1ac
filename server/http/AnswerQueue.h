#pragma once

// The answers on one connection, written in the order its requests came: an answer
// ready early (a plain read pipelined behind a sign-in whose password is still being
// checked) waits for those before it. A stored file goes out from the disk a piece at
// a time as the client takes it, so a download holds a few hundred KiB however large
// the file and however slowly it is read; the answers behind it wait for its end. An
// answer marked closing is the connection's last: nothing is written after it.

#include "http/HttpReply.h"

#include <QFile>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

class AnswerQueue : public QObject {
    Q_OBJECT
public:
    // At most this much of a file waits in the connection's own buffer; the kernel's
    // send buffer holds the rest of what the client has not read.
    static constexpr qint64 kFileAhead = 256 << 10;
    static constexpr qint64 kFilePiece = 128 << 10;

    // The connection's queue, made on first use; it goes with the socket.
    static AnswerQueue& of(QTcpSocket* socket);

    // A place for the answer of the request read next, framed as that request asks.
    qint64 reserve(Framing framing);
    // last: the connection ends after this answer, whatever its request asked.
    void answer(qint64 place, HttpReply reply, bool last = false);
    // An interim answer ("100 Continue"), written once the answers before place are.
    void interim(qint64 place, QByteArray bytes);
    // Calls done once every place reserved so far is answered and written out of the
    // queue (perhaps at once).
    void whenAllAnswered(std::function<void()> done);
    // True while a file is being sent.
    bool sendingFile() const { return m_file != nullptr; }

Q_SIGNALS:
    // Bytes of an answer went to the socket or left its buffer.
    void wrote();

private:
    struct Place {
        Framing framing;
        QByteArray interim;
        std::optional<HttpReply> reply;
    };

    explicit AnswerQueue(QTcpSocket* socket);
    void flush();
    void startFile(const HttpReply& reply, Framing framing);
    // Tops the connection's buffer up from the file being sent.
    void sendMore();
    bool allAnswered() const { return !m_file && m_written == m_reserved; }

    QTcpSocket* m_socket;
    qint64 m_reserved = 0;
    qint64 m_written = 0;
    // Places reserved and not yet written.
    QHash<qint64, Place> m_places;
    std::unique_ptr<QFile> m_file;
    qint64 m_fileLeft = 0;
    std::function<void()> m_whenAnswered;
    bool m_ended = false;
};
