#pragma once

// The server's SQLite store: one connection on the GUI thread, WAL journal, schema
// migrations by PRAGMA user_version. Every statement goes through prepare() with
// bound values; SQL text never carries data.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <stdexcept>

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Database {
public:
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
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& values = {});

    int schemaVersion();

    // Commits on commit(); rolls back when destroyed without one (an exception left the scope).
    // Nested transactions become savepoints of the outer one.
    class Transaction {
    public:
        explicit Transaction(Database& db);
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

    QString m_connectionName;
    QSqlDatabase m_db;
    int m_transactionDepth = 0;
};
