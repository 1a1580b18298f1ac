#include "live/MessageWriter.h"

#include "store/Conversations.h"
#include "store/Database.h"
#include "store/PostingRights.h"
#include "store/UnreadCounts.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QMutexLocker>

#include <algorithm>
#include <memory>
#include <utility>

MessageWriter::MessageWriter(const QString& databasePath, QObject* parent)
    : QThread(parent)
    , m_databasePath(databasePath)
{
    setObjectName(QStringLiteral("message writer"));
    start();
    QMutexLocker lock(&m_mutex);
    while (!m_opened && !m_openFailure)
        m_progress.wait(&m_mutex);
    if (m_openFailure) {
        lock.unlock();
        wait();
        std::rethrow_exception(m_openFailure);
    }
}

MessageWriter::~MessageWriter()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_work.wakeOne();
    }
    wait();
}

void MessageWriter::submit(QList<PendingMessage> messages)
{
    const QMutexLocker lock(&m_mutex);
    m_submitted += messages.size();
    m_queue.append(std::move(messages));
    m_work.wakeOne();
}

QList<SendOutcome> MessageWriter::takeWritten()
{
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_written, {});
}

void MessageWriter::waitForAll()
{
    QMutexLocker lock(&m_mutex);
    while (m_committed < m_submitted)
        m_progress.wait(&m_mutex);
}

void MessageWriter::run()
{
    // A connection may only be used on the thread that opened it.
    std::unique_ptr<Database> db;
    std::unique_ptr<Conversations> conversations;
    std::unique_ptr<Messages> messages;
    std::unique_ptr<PostingRights> rights;
    std::unique_ptr<UnreadCounts> counts;
    try {
        db = std::make_unique<Database>(m_databasePath);
        conversations = std::make_unique<Conversations>(*db);
        messages = std::make_unique<Messages>(*db, *conversations);
        rights = std::make_unique<PostingRights>(*db, *conversations);
        counts = std::make_unique<UnreadCounts>(*db);
        db->setCheckpointPages(kCheckpointPages);
    } catch (...) {
        const QMutexLocker lock(&m_mutex);
        m_openFailure = std::current_exception();
        m_progress.wakeAll();
        return;
    }
    {
        const QMutexLocker lock(&m_mutex);
        m_opened = true;
        m_progress.wakeAll();
    }

    // Messages stored and not yet in the kept unread counts (see UnreadCounts): those of
    // other connections too, found when idle.
    qint64 uncounted = 1;
    const auto count = [&] {
        try {
            counts->countNew();
            uncounted = 0;
        } catch (const DatabaseError& error) {
            qWarning().noquote() << "[Server] Counting unread messages failed:" << error.what();
            // Looked at again with the next checkpoint, not at the next pause: the counts
            // read right meanwhile, only a little slower.
            uncounted = 0;
        }
    };
    for (;;) {
        QList<PendingMessage> batch;
        {
            QMutexLocker lock(&m_mutex);
            while (m_queue.isEmpty() && !m_stopping) {
                // Counting waits for a pause in the sends, copying the WAL for a longer one.
                if (m_work.wait(&m_mutex, QDeadlineTimer(uncounted > 0 ? kCountAfterMs : kIdleCheckpointMs)) || !m_queue.isEmpty()
                    || m_stopping)
                    continue;
                lock.unlock();
                if (uncounted > 0) {
                    count();
                } else {
                    try {
                        db->checkpointAndTruncate();
                        uncounted = counts->waiting();
                    } catch (const DatabaseError& error) {
                        qWarning().noquote() << "[Server] Checkpoint failed:" << error.what();
                    }
                }
                lock.relock();
            }
            // Stopping still stores what was queued: each of those may yet be acknowledged.
            if (m_queue.isEmpty())
                return;
            if (m_queue.size() <= kMaxBatch) {
                batch = std::exchange(m_queue, {});
            } else {
                batch = m_queue.first(kMaxBatch);
                m_queue.remove(0, kMaxBatch);
            }
        }
        const QList<SendOutcome> outcomes = messages->storeAll(batch, *rights);
        {
            const QMutexLocker lock(&m_mutex);
            m_written.append(outcomes);
            m_committed += batch.size();
            m_progress.wakeAll();
        }
        Q_EMIT written();
        uncounted += std::count_if(outcomes.cbegin(), outcomes.cend(), [](const SendOutcome& outcome) {
            return !outcome.failed && !outcome.refusal && !outcome.stored.duplicate;
        });
        // Under a flood of sends there is no pause: the counts still take them in now and then.
        if (uncounted >= UnreadCounts::kMaxUncounted)
            count();
    }
}
