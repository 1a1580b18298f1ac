#pragma once

// Stores the live channel's sends on a thread of its own, through its own connection to
// the database file, so the event loop keeps reading frames while a batch is written
// and synced; what arrives meanwhile makes the next batch, which the same sync covers.

#include "store/Messages.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QThread>

#include <memory>

class Conversations;
class Database;

class MessageWriter {
public:
    // Opens the connection on the writer's thread; throws DatabaseError when it cannot.
    explicit MessageWriter(const QString& databasePath);
    // Waits for the batches already handed over.
    ~MessageWriter();
    MessageWriter(const MessageWriter&) = delete;
    MessageWriter& operator=(const MessageWriter&) = delete;

    // Messages::storeAll() on the writer's thread; batches are stored in the order given.
    QFuture<QList<SendOutcome>> write(QList<PendingMessage> batch);

private:
    // What lives on the writer's thread and is made and destroyed there.
    struct Store {
        std::unique_ptr<Database> db;
        std::unique_ptr<Conversations> conversations;
        std::unique_ptr<Messages> messages;
    };

    QThread m_thread;
    // Owned by the thread: the receiver of the work handed to it.
    QObject* m_context = nullptr;
    Store m_store;
};
