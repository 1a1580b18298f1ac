#include "store/ReadingThread.h"

#include "http/HttpReply.h"
#include "http/PendingReply.h"
#include "store/Database.h"

#include <QPointer>

// Lives on the reading thread; its connection is opened there on the first read, as a
// connection may only be used on the thread that opened it.
class ReadingThread::Worker : public QObject {
public:
    explicit Worker(QString databasePath)
        : m_databasePath(std::move(databasePath))
    {
    }

    HttpReply run(const std::function<HttpReply(Database&)>& work)
    {
        try {
            if (!m_db)
                m_db = std::make_unique<Database>(m_databasePath);
            return work(*m_db);
        } catch (const std::exception& error) {
            qWarning().noquote() << "[Server] A long read failed:" << error.what();
            // The work's own failures were answered in the reader's language inside it;
            // this is the connection failing, reported as the server's fault.
            return HttpReply::internalError(false, Language::English);
        }
    }

    // Closed on the reading thread, where it was opened.
    void close() { m_db.reset(); }

private:
    QString m_databasePath;
    std::unique_ptr<Database> m_db;
};

ReadingThread::ReadingThread(QString databasePath)
    : m_worker(new Worker(std::move(databasePath)))
{
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, [worker = m_worker] {
        worker->close();
        delete worker;
    });
    m_thread.start();
    // Running before the server listens: a thread that starts later needs descriptors
    // that a crowd of connections may have taken by then.
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}

ReadingThread::~ReadingThread()
{
    m_thread.quit();
    m_thread.wait();
}

void ReadingThread::answer(std::shared_ptr<PendingReply> pending, std::function<HttpReply(Database&)> work)
{
    QPointer<QObject> receiver(&m_receiver);
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, receiver, pending = std::move(pending), work = std::move(work)]() mutable {
        HttpReply reply = worker->run(work);
        QMetaObject::invokeMethod(receiver.data(), [receiver, pending = std::move(pending), reply = std::move(reply)] {
            if (receiver)
                pending->finish(reply);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}
