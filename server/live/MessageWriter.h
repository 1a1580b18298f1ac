#pragma once

// Stores the live channel's sends on a thread of its own, through its own connection to
// the database file, so the event loop keeps reading frames while a batch is written.
// Whenever the writer starts a batch it takes the sends queued by then (up to kMaxBatch):
// under load the sends that arrive while one batch commits make the next, and one commit
// covers them all.

#include "store/Messages.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <exception>

class MessageWriter : public QThread {
    Q_OBJECT
public:
    // At most this many sends go into one batch. Under load, while the writer stores one
    // batch the event loop acknowledges the one before and the clients answer with more;
    // one batch of everything in flight would leave each of them waiting for the others.
    static constexpr qsizetype kMaxBatch = 256;
    // The writer copies the WAL into the database file for every connection, so the event
    // loop's connection never stops to do it: after its own commits once the WAL holds this
    // many pages (a page many commits change is copied once per copy, so copying seldom
    // copies less), and whenever it has had nothing to do for a while.
    static constexpr int kCheckpointPages = 10000;
    static constexpr int kIdleCheckpointMs = 1000;
    // The unread counts take in what it stored once it has had nothing to do for this long
    // (see UnreadCounts), or once UnreadCounts::kMaxUncounted messages wait.
    static constexpr int kCountAfterMs = 50;

    // Opens the connection on the writer's thread; throws DatabaseError when it cannot.
    explicit MessageWriter(const QString& databasePath, QObject* parent = nullptr);
    // Stores what was submitted before it returns.
    ~MessageWriter() override;

    void submit(QList<PendingMessage> messages);
    // The outcomes committed since the last call, in the order the messages were submitted.
    QList<SendOutcome> takeWritten();
    // Returns once everything submitted so far is committed.
    void waitForAll();

Q_SIGNALS:
    // A batch has committed (emitted on the writer's thread).
    void written();

protected:
    void run() override;

private:
    const QString m_databasePath;
    QMutex m_mutex;
    // Wakes the writer: something was submitted, or it is to stop.
    QWaitCondition m_work;
    // Wakes those waiting for the writer: it opened its connection, or committed a batch.
    QWaitCondition m_progress;
    bool m_opened = false;
    std::exception_ptr m_openFailure;
    bool m_stopping = false;
    QList<PendingMessage> m_queue;
    QList<SendOutcome> m_written;
    qint64 m_submitted = 0;
    qint64 m_committed = 0;
};
