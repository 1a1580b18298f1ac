#pragma once

// A request body too large to hold (an uploaded file), taken a piece at a time as it
// arrives and handed to its sink on a worker thread, so that decoding and writing it
// never hold up the event loop. At most kMaxAhead bytes wait for the worker; the
// connection stops reading while they do, and the client's sending waits in the
// kernel. Gone before its end (the client went, the request was refused), it drops
// what is left and the sink goes with the worker's last piece.

#include <QByteArray>
#include <QObject>

#include <exception>
#include <memory>

// What a streamed body becomes. Both calls come on a worker thread, one after another.
class BodySink {
public:
    virtual ~BodySink() = default;
    // Throws (ServerError to refuse the body): nothing more is then taken.
    virtual void take(QByteArrayView piece) = 0;
    // After the last piece; throws like take().
    virtual void end() = 0;
};

// A body read to its end: its sink, or what its sink threw.
struct StreamedBody {
    std::shared_ptr<BodySink> sink;
    std::exception_ptr failure;

    // The sink as the type its route made it; throws its failure again.
    template <typename Sink>
    Sink& as() const
    {
        if (failure)
            std::rethrow_exception(failure);
        return static_cast<Sink&>(*sink);
    }
};

class BodyStream : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxAhead = 256 << 10;

    explicit BodyStream(std::shared_ptr<BodySink> sink);
    ~BodyStream() override;

    void write(QByteArray piece);
    // No more pieces: ended() follows once the sink has taken them all.
    void end();
    // False while kMaxAhead bytes or more wait for the worker.
    bool hasRoom() const;

Q_SIGNALS:
    // The waiting bytes fell under kMaxAhead.
    void room();
    void ended(StreamedBody body);

private:
    struct Pipe;
    std::shared_ptr<Pipe> m_pipe;
};
