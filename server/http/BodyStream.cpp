#include "http/BodyStream.h"

#include <QList>
#include <QMutex>
#include <QThreadPool>

// Shared with the worker, which may outlive the stream by a piece.
struct BodyStream::Pipe {
    QMutex mutex;
    // Null once the stream is gone: the worker then stops and posts nothing more.
    BodyStream* stream = nullptr;
    std::shared_ptr<BodySink> sink;
    QList<QByteArray> pieces;
    // Bytes given and not yet taken by the sink.
    qint64 waiting = 0;
    bool ending = false;
    bool working = false;
    std::exception_ptr failure;

    // Under the lock: a worker unless one runs already.
    void startWorker(const std::shared_ptr<Pipe>& self)
    {
        if (working)
            return;
        working = true;
        QThreadPool::globalInstance()->start([self] { self->drain(); });
    }

    // On the worker: the pieces in their order, then the end.
    void drain()
    {
        for (;;) {
            QByteArray piece;
            std::shared_ptr<BodySink> taker;
            bool last = false;
            {
                QMutexLocker lock(&mutex);
                if (!stream || (pieces.isEmpty() && !ending)) {
                    working = false;
                    if (!stream)
                        taker = std::exchange(sink, nullptr);
                    lock.unlock();
                    // The sink goes here, off the event loop, when the stream went first.
                    return;
                }
                last = pieces.isEmpty();
                if (!last)
                    piece = pieces.takeFirst();
                if (!failure)
                    taker = sink;
            }
            std::exception_ptr thrown;
            if (taker) {
                try {
                    if (last)
                        taker->end();
                    else
                        taker->take(piece);
                } catch (...) {
                    thrown = std::current_exception();
                }
            }
            taker.reset();
            QMutexLocker lock(&mutex);
            if (thrown)
                failure = thrown;
            if (last) {
                working = false;
                ending = false;
                if (stream) {
                    BodyStream* target = stream;
                    StreamedBody body { sink, failure };
                    QMetaObject::invokeMethod(target, [target, body] { Q_EMIT target->ended(body); }, Qt::QueuedConnection);
                }
                return;
            }
            const bool wasFull = waiting >= kMaxAhead;
            waiting -= piece.size();
            if (wasFull && waiting < kMaxAhead && stream)
                QMetaObject::invokeMethod(stream, &BodyStream::room, Qt::QueuedConnection);
        }
    }
};

BodyStream::BodyStream(std::shared_ptr<BodySink> sink)
    : m_pipe(std::make_shared<Pipe>())
{
    m_pipe->stream = this;
    m_pipe->sink = std::move(sink);
}

BodyStream::~BodyStream()
{
    std::shared_ptr<BodySink> sink;
    {
        QMutexLocker lock(&m_pipe->mutex);
        m_pipe->stream = nullptr;
        m_pipe->pieces.clear();
        // A worker at work lets the sink go when it stops; otherwise it goes now.
        if (!m_pipe->working)
            sink = std::exchange(m_pipe->sink, nullptr);
    }
}

void BodyStream::write(QByteArray piece)
{
    QMutexLocker lock(&m_pipe->mutex);
    m_pipe->waiting += piece.size();
    m_pipe->pieces.append(std::move(piece));
    m_pipe->startWorker(m_pipe);
}

void BodyStream::end()
{
    QMutexLocker lock(&m_pipe->mutex);
    m_pipe->ending = true;
    m_pipe->startWorker(m_pipe);
}

bool BodyStream::hasRoom() const
{
    QMutexLocker lock(&m_pipe->mutex);
    return m_pipe->waiting < kMaxAhead;
}
