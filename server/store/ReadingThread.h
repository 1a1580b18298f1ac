#pragma once

// Long reads (searches that look at every message, counts of all messages) run here:
// on a thread and database connection of their own, so the event loop goes on serving
// every other socket meanwhile. Reads see the last committed state, like any other
// connection's.

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>

class Database;
class PendingReply;
struct HttpReply;

class ReadingThread {
public:
    explicit ReadingThread(QString databasePath);
    // Waits for the read under way; those not begun are dropped with their answers.
    ~ReadingThread();
    ReadingThread(const ReadingThread&) = delete;
    ReadingThread& operator=(const ReadingThread&) = delete;

    // Runs work on the reading thread and finishes pending with its answer on the
    // thread that called. work must turn its own failures into error answers.
    void answer(std::shared_ptr<PendingReply> pending, std::function<HttpReply(Database&)> work);

private:
    class Worker;

    QThread m_thread;
    Worker* m_worker;
    // Answers come back through it; gone with this object, so late ones are dropped.
    QObject m_receiver;
};
