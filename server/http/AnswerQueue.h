#pragma once

// The answers on one connection, written in the order its requests came: an answer
// ready early (a plain read pipelined behind a sign-in whose password is still being
// checked) waits for those before it. A stored file goes out from the disk a piece at
// a time as the client takes it, so a download holds a few hundred KiB however large
// the file and however slowly it is read; the answers behind it wait for its end. A
// refusal of a later request is the connection's last answer: it goes out once every
// request let through before it has been answered, and nothing is written after it.

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

    // A place for the answer of the request handled next.
    qint64 reserve() { return m_reserved++; }
    void answer(qint64 place, HttpReply reply);
    // Once every place reserved so far is answered, writes `last` and calls written
    // (perhaps at once).
    void endAfterAll(QByteArray last, std::function<void()> written);
    // Calls done once every place reserved so far is answered and written out of the
    // queue (perhaps at once).
    void whenAllAnswered(std::function<void()> done);
    // True while a file is being sent.
    bool sendingFile() const { return m_file != nullptr; }

private:
    explicit AnswerQueue(QTcpSocket* socket);
    void flush();
    void startFile(const HttpReply& reply);
    // Tops the connection's buffer up from the file being sent.
    void sendMore();
    bool allAnswered() const { return !m_file && m_written == m_reserved; }

    struct Ending {
        QByteArray last;
        std::function<void()> written;
    };

    QTcpSocket* m_socket;
    qint64 m_reserved = 0;
    qint64 m_written = 0;
    // Answers ready before one ahead of them, by place.
    QHash<qint64, HttpReply> m_early;
    std::unique_ptr<QFile> m_file;
    qint64 m_fileLeft = 0;
    std::optional<Ending> m_ending;
    std::function<void()> m_whenAnswered;
    bool m_ended = false;
};
