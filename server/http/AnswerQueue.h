#pragma once

// The answers on one connection, written in the order its requests came: an answer
// ready early (a plain read pipelined behind a sign-in whose password is still being
// checked) waits for those before it. The gate's refusal of a later request is the
// connection's last answer: it goes out once every request let through before it
// has been answered, and nothing is written after it.

#include <QByteArray>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

class QTcpSocket;

class AnswerQueue : public QObject {
    Q_OBJECT
public:
    // The connection's queue, made on first use; it goes with the socket.
    static AnswerQueue& of(QTcpSocket* socket);

    // A place for the answer of the request handled next.
    qint64 reserve() { return m_reserved++; }
    void answer(qint64 place, QByteArray wire);
    // Once `answers` answers are out, writes `last` and calls written (perhaps at once).
    void endAfter(qint64 answers, QByteArray last, std::function<void()> written);

private:
    explicit AnswerQueue(QTcpSocket* socket);
    void flush();

    struct Ending {
        qint64 after = 0;
        QByteArray last;
        std::function<void()> written;
    };

    QTcpSocket* m_socket;
    qint64 m_reserved = 0;
    qint64 m_written = 0;
    // Answers ready before one ahead of them, by place.
    QHash<qint64, QByteArray> m_early;
    std::optional<Ending> m_ending;
    bool m_ended = false;
};
