#pragma once

// A second connection to a running server's database that holds its write lock for a
// moment, as the server's own message writer does while it stores a batch of messages
// or checkpoints its log. A request that writes meanwhile has to wait for the lock
// (the server waits up to its busy time-out) instead of failing with a 500.
//
//     WriteLockHold hold(server.dataDir());
//     QVERIFY(hold.isHeld());
//     hold.releaseAfter(300); // while the request below waits
//     QCOMPARE(client.postJson(path, body).status, 200);

#include <QDir>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QUuid>

class WriteLockHold {
public:
    explicit WriteLockHold(const QString& dataDir)
        : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QDir(dataDir).filePath(QStringLiteral("morvane.sqlite3")));
        m_held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteLockHold()
    {
        release();
        QSqlDatabase::removeDatabase(m_name);
    }
    WriteLockHold(const WriteLockHold&) = delete;
    WriteLockHold& operator=(const WriteLockHold&) = delete;

    bool isHeld() const { return m_held; }
    void release()
    {
        if (!m_held)
            return;
        QSqlDatabase db = QSqlDatabase::database(m_name);
        QSqlQuery(db).exec(QStringLiteral("COMMIT"));
        db.close();
        m_held = false;
    }
    // Lets go once the event loop has run this long: well within the server's busy
    // time-out, and long after a request that does not wait has failed.
    void releaseAfter(int milliseconds) { QTimer::singleShot(milliseconds, &m_timers, [this] { release(); }); }

private:
    QString m_name;
    bool m_held = false;
    QObject m_timers; // a release still due goes with the hold
};
