#pragma once

// The server's SQLite store: a connection used on the thread that opened it (the event
// loop's, and the message writer's), WAL journal, schema migrations by PRAGMA
// user_version. Every statement goes through prepare() with bound values; SQL text
// never carries data.

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <optional>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Database {
public:
    static constexpr qint64 kWalSizeLimit = 4 << 20;
    // How long a statement waits for another connection's lock before it fails. Generous:
    // a commit that starts the WAL over syncs it while it holds the write lock, and on a
    // disk busy writing back (a machine that has just built something) that sync alone can
    // take seconds; a write that waits answers late, one that fails answers with an error.
    static constexpr int kBusyTimeoutMs = 30000;

    // Opens (creating when needed) the database file and brings the schema up to date.
    // Throws DatabaseError when the file cannot be opened or migrated.
    explicit Database(const QString& filePath);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one prepared statement with positional values; the query is positioned
    // before its first row. Throws DatabaseError on failure.
    QSqlQuery exec(const QString& sql, const QVariantList& values = {});
    // Runs an INSERT and returns the new row id.
    qint64 insert(const QString& sql, const QVariantList& values);
    // Runs an INSERT that may insert nothing (ON CONFLICT … DO NOTHING): the new row id,
    // or nothing when no row was inserted.
    std::optional<qint64> insertNew(const QString& sql, const QVariantList& values);
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // Every row of a query, read at once (so the statement stays prepared for the next call).
    QList<QVariantList> rows(const QString& sql, const QVariantList& values = {});
    // Runs a statement whose rows nobody reads (UPDATE, DELETE, SAVEPOINT); returns the
    // number of rows it changed.
    int run(const QString& sql, const QVariantList& values = {});

    int schemaVersion();
    QString filePath() const { return m_db.databaseName(); }

    // How many pages the WAL may hold before a commit of this connection copies them into
    // the database file (SQLite's own default is 1000); 0 leaves that to other connections.
    void setCheckpointPages(int pages);
    // Called with each statement as it is prepared (while it is called, statements are
    // not reported again); for reading the query plans of what the stores run.
    using StatementWatch = std::function<void(const QString& sql)>;
    void watchStatements(StatementWatch watch) { m_watch = std::move(watch); }
    // Adds to *steps the virtual machine instructions this connection's statements run
    // from now on (nullptr stops): a measure of the rows a read visits that does not
    // depend on the machine's speed.
    void countSteps(qint64* steps);

    // Copies the WAL of the schema ("main", or an attached file's name) into its file and
    // empties the WAL file, so a burst does not leave it at its largest size. Never holds
    // up another connection's write: the copy goes alongside writes, and when readers or
    // writers are still using the WAL, it is left for the next call (false).
    bool checkpointAndTruncate(const QString& schema = QStringLiteral("main"));

    // Commits on commit(); rolls back when destroyed without one (an exception left the scope).
    // Nested transactions become savepoints of the outer one.
    class Transaction {
    public:
        // Immediate takes the write lock of every database of the connection at once; a
        // deferred one takes each database's lock as it first writes to it (for a
        // connection with another database attached that only one of them is to lock).
        enum class Start { Immediate, Deferred };
        explicit Transaction(Database& db, Start start = Start::Immediate);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        Database& m_db;
        int m_depth = 0;
        bool m_done = false;
    };

private:
    void migrate();
    // insert(), scalar(), rows() and run() are done with their statement when they return, so
    // they keep it prepared for the next call; preparing costs more than running. They go to
    // SQLite itself, values bound as Qt's driver binds them and read as it reads them: Qt's
    // binding of a value costs more than SQLite's storing of a message.
    sqlite3_stmt* prepared(const QString& sql, const QVariantList& values);
    // Steps the statement once: true on a row, false when it is done. Throws DatabaseError
    // (the statement reset) when it fails.
    bool step(sqlite3_stmt* statement, const QString& sql);
    QVariant column(sqlite3_stmt* statement, int index);
    void finalizeStatements();
    void report(const QString& sql);

    QString m_connectionName;
    QSqlDatabase m_db;
    sqlite3* m_handle = nullptr;
    int m_transactionDepth = 0;
    QHash<QString, sqlite3_stmt*> m_prepared;
    StatementWatch m_watch;
};
