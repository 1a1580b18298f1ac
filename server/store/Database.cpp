#include "store/Database.h"

#include "store/AdminSchema.h"
#include "store/IndexSchema.h"
#include "store/SendPathSchema.h"
#include "store/FoldedText.h"
#include "store/ShortKeyIndex.h"
#include "store/SocialSchema.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDebug>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

#include <sqlite3.h>

namespace {

// Each entry brings the schema from version N to N+1. Append, never edit: a data
// directory made by an older server is upgraded step by step.
const QList<QStringList>& migrations()
{
    static const QList<QStringList> steps = {
        {
            QStringLiteral("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE users ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " username TEXT NOT NULL UNIQUE COLLATE NOCASE,"
                           " name TEXT NOT NULL,"
                           " email TEXT, avatar TEXT, bio TEXT, gender TEXT, region TEXT, language TEXT,"
                           " role TEXT NOT NULL DEFAULT 'user',"
                           " password_hash BLOB NOT NULL, password_salt BLOB NOT NULL,"
                           " password_iterations INTEGER NOT NULL,"
                           " invite_code TEXT,"
                           " created_at TEXT NOT NULL, updated_at TEXT NOT NULL,"
                           " last_signed_in TEXT, last_online_at TEXT)"),
            QStringLiteral("CREATE TABLE sessions ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                           " access_hash TEXT NOT NULL UNIQUE, access_expires INTEGER NOT NULL,"
                           " refresh_hash TEXT NOT NULL UNIQUE, refresh_expires INTEGER NOT NULL,"
                           " device_name TEXT, platform TEXT, ip TEXT,"
                           " created_at TEXT NOT NULL, last_active_at TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX sessions_user ON sessions(user_id)"),
            QStringLiteral("CREATE TABLE devices ("
                           " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                           " device_id TEXT NOT NULL, device_type TEXT,"
                           " first_seen_at TEXT NOT NULL, last_seen_at TEXT NOT NULL,"
                           " PRIMARY KEY (user_id, device_id))"),
            QStringLiteral("CREATE TABLE contacts ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                           " contact_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                           " nickname TEXT, tags TEXT, blocked INTEGER NOT NULL DEFAULT 0,"
                           " created_at TEXT NOT NULL,"
                           " UNIQUE (user_id, contact_id))"),
            QStringLiteral("CREATE INDEX contacts_contact ON contacts(contact_id)"),
            QStringLiteral("CREATE TABLE conversations ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " type TEXT NOT NULL, name TEXT, avatar TEXT, creator_id INTEGER,"
                           " private_key TEXT UNIQUE,"
                           " created_at TEXT NOT NULL, updated_at TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE conversation_members ("
                           " conversation_id INTEGER NOT NULL REFERENCES conversations(id) ON DELETE CASCADE,"
                           " user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
                           " role TEXT NOT NULL DEFAULT 'member',"
                           " joined_at TEXT NOT NULL,"
                           " last_read_id INTEGER NOT NULL DEFAULT 0,"
                           " cleared_before_id INTEGER NOT NULL DEFAULT 0,"
                           " hidden INTEGER NOT NULL DEFAULT 0,"
                           " pinned INTEGER NOT NULL DEFAULT 0,"
                           " muted INTEGER NOT NULL DEFAULT 0,"
                           " PRIMARY KEY (conversation_id, user_id))"),
            QStringLiteral("CREATE INDEX conversation_members_user ON conversation_members(user_id)"),
            QStringLiteral("CREATE TABLE chat_groups ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " conversation_id INTEGER NOT NULL UNIQUE REFERENCES conversations(id) ON DELETE CASCADE,"
                           " name TEXT NOT NULL, avatar TEXT, description TEXT,"
                           " owner_id INTEGER NOT NULL REFERENCES users(id),"
                           " max_members INTEGER NOT NULL DEFAULT 500,"
                           " created_at TEXT NOT NULL, updated_at TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE messages ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " conversation_id INTEGER NOT NULL REFERENCES conversations(id) ON DELETE CASCADE,"
                           " sender_id INTEGER NOT NULL REFERENCES users(id),"
                           " type TEXT NOT NULL, content TEXT,"
                           " file_url TEXT, file_name TEXT, file_size INTEGER, file_mime_type TEXT,"
                           " reply_to_id INTEGER,"
                           " status TEXT NOT NULL DEFAULT 'sent',"
                           " server_msg_id TEXT NOT NULL UNIQUE, client_msg_id TEXT,"
                           " created_at TEXT NOT NULL, revoked_at TEXT,"
                           " UNIQUE (sender_id, client_msg_id))"),
            QStringLiteral("CREATE INDEX messages_conversation ON messages(conversation_id, id)"),
            QStringLiteral("CREATE TABLE reactions ("
                           " message_id INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,"
                           " user_id INTEGER NOT NULL REFERENCES users(id),"
                           " emoji TEXT NOT NULL, created_at TEXT NOT NULL,"
                           " PRIMARY KEY (message_id, user_id, emoji))"),
            QStringLiteral("CREATE TABLE uploads ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " file_key TEXT NOT NULL UNIQUE,"
                           " user_id INTEGER NOT NULL REFERENCES users(id),"
                           " file_name TEXT NOT NULL, content_type TEXT NOT NULL,"
                           " declared_size INTEGER NOT NULL, size INTEGER, stored_name TEXT,"
                           " created_at TEXT NOT NULL, completed_at TEXT)"),
        },
        socialSchema(),
        adminSchema(),
        {
            // Refresh tokens already exchanged, so that a copy presented later is known
            // for what it is and ends its session.
            QStringLiteral("CREATE TABLE spent_refresh_tokens ("
                           " refresh_hash TEXT PRIMARY KEY,"
                           " session_id INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE)"),
            QStringLiteral("CREATE INDEX spent_refresh_tokens_session ON spent_refresh_tokens(session_id)"),
            QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('download_signing_key', lower(hex(randomblob(32))))"),
        },
        {
            // Customers open sessions by writing to staff: their session is found by
            // customer, and it tells when it last heard from either side.
            QStringLiteral("ALTER TABLE service_sessions ADD COLUMN last_message_at TEXT"),
            QStringLiteral("CREATE INDEX service_sessions_customer ON service_sessions(customer_id, status)"),
        },
        {
            // A spent refresh token is kept only while a copy of it could still be presented:
            // until it would have expired unspent. Rows from before know only their
            // session's latest expiry, which is never earlier than their own.
            QStringLiteral("ALTER TABLE spent_refresh_tokens ADD COLUMN expires_at INTEGER NOT NULL DEFAULT 0"),
            QStringLiteral("UPDATE spent_refresh_tokens SET expires_at ="
                           " (SELECT refresh_expires FROM sessions WHERE sessions.id = spent_refresh_tokens.session_id)"),
            QStringLiteral("CREATE INDEX spent_refresh_tokens_expiry ON spent_refresh_tokens(expires_at)"),
        },
        indexSchema(),
        {
            // What a notice of the server's own announces, so that each reader's client
            // words it in the reader's language. The server has put only the notice of a
            // dissolved group into conversations before.
            QStringLiteral("ALTER TABLE messages ADD COLUMN notice TEXT"),
            QStringLiteral("UPDATE messages SET notice = 'group_dissolved' WHERE type = 'system'"),
        },
        sendPathSchema(),
    };
    return steps;
}

QString describe(const QSqlError& error)
{
    return error.text();
}

} // namespace

Database::Database(const QString& filePath)
{
    // SQLite counts the memory it takes under one lock for the whole process, which the
    // threads of the server (event loop, writer, indexer, reader) would all queue for on
    // every allocation. Only possible before SQLite first starts in the process.
    static const bool uncounted = [] { return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK; }();
    Q_UNUSED(uncounted);
    static QAtomicInt counter;
    m_connectionName = QStringLiteral("morvane-server-%1").arg(counter.fetchAndAddRelaxed(1));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    if (!m_db.isValid())
        throw DatabaseError("the SQLite driver of Qt SQL is not installed (Debian package libqt6sql6-sqlite)");
    m_db.setDatabaseName(filePath);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!m_db.open())
        throw DatabaseError("cannot open database " + filePath.toStdString() + ": " + describe(m_db.lastError()).toStdString());

    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // A commit is written to the WAL file, not synced: it survives the server being killed
    // at any point, and only a crash of the whole machine may take back the last commits
    // (never corrupting the file). Syncing each commit would cost every batch of sends a
    // disk flush, which is most of what answering a send takes.
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    // Whenever the WAL starts over it shrinks back to this size.
    exec(QStringLiteral("PRAGMA journal_size_limit=%1").arg(kWalSizeLimit));
    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3* const*>(handle.constData());
    if (!m_handle)
        throw DatabaseError("the SQLite driver of Qt SQL gave no connection handle");
    // Before anything is written: the text index calls it.
    shortkeys::install(m_handle);
    foldedtext::install(m_handle);
    try {
        migrate();
    } catch (...) {
        finalizeStatements();
        throw;
    }
}

Database::~Database()
{
    finalizeStatements();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Database::finalizeStatements()
{
    for (sqlite3_stmt* statement : std::as_const(m_prepared))
        sqlite3_finalize(statement);
    m_prepared.clear();
}

void Database::report(const QString& sql)
{
    if (!m_watch)
        return;
    // The watch may run statements of its own.
    const StatementWatch watch = std::exchange(m_watch, {});
    watch(sql);
    m_watch = watch;
}

QSqlQuery Database::exec(const QString& sql, const QVariantList& values)
{
    report(sql);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DatabaseError("cannot prepare \"" + sql.toStdString() + "\": " + describe(query.lastError()).toStdString());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw DatabaseError("statement failed \"" + sql.toStdString() + "\": " + describe(query.lastError()).toStdString());
    return query;
}

namespace {

// As Qt's driver takes it: an empty QString or QByteArray is NULL too.
bool isNull(const QVariant& value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(value.constData())->isNull();
    default:
        return false;
    }
}

// Binds as Qt's driver does: blobs, integers, doubles and everything else as UTF-16 text.
int bind(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (isNull(value))
        return sqlite3_bind_null(statement, index);
    switch (value.typeId()) {
    case QMetaType::QByteArray: {
        const auto* bytes = static_cast<const QByteArray*>(value.constData());
        return sqlite3_bind_blob(statement, index, bytes->constData(), int(bytes->size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(statement, index, value.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(statement, index, value.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    case QMetaType::QDateTime:
        return bind(statement, index, value.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QString: {
        const auto* text = static_cast<const QString*>(value.constData());
        return sqlite3_bind_text16(statement, index, text->utf16(), int(text->size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    default:
        return bind(statement, index, value.toString());
    }
}

} // namespace

sqlite3_stmt* Database::prepared(const QString& sql, const QVariantList& values)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        report(sql);
        sqlite3_stmt* statement = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v3(m_handle, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            throw DatabaseError("cannot prepare \"" + sql.toStdString() + "\": " + sqlite3_errmsg(m_handle));
        }
        it = m_prepared.insert(sql, statement);
    }
    sqlite3_stmt* statement = *it;
    sqlite3_clear_bindings(statement);
    for (int i = 0; i < values.size(); ++i) {
        if (bind(statement, i + 1, values[i]) != SQLITE_OK)
            throw DatabaseError("cannot bind the values of \"" + sql.toStdString() + "\": " + sqlite3_errmsg(m_handle));
    }
    return statement;
}

bool Database::step(sqlite3_stmt* statement, const QString& sql)
{
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    const std::string error = sqlite3_errmsg(m_handle);
    sqlite3_reset(statement);
    throw DatabaseError("statement failed \"" + sql.toStdString() + "\": " + error);
}

QVariant Database::column(sqlite3_stmt* statement, int index)
{
    // As Qt's driver reads it; a NULL is a null QString.
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(statement, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, index));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, index)), sqlite3_column_bytes(statement, index)));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QVariant(QString(static_cast<const QChar*>(sqlite3_column_text16(statement, index)),
            sqlite3_column_bytes16(statement, index) / qsizetype(sizeof(QChar))));
    }
}

qint64 Database::insert(const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* statement = prepared(sql, values);
    while (step(statement, sql)) {
    }
    const qint64 id = sqlite3_last_insert_rowid(m_handle);
    sqlite3_reset(statement);
    return id;
}

std::optional<qint64> Database::insertNew(const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* statement = prepared(sql, values);
    while (step(statement, sql)) {
    }
    const std::optional<qint64> id = sqlite3_changes(m_handle) > 0 ? std::optional(sqlite3_last_insert_rowid(m_handle)) : std::nullopt;
    sqlite3_reset(statement);
    return id;
}

QVariant Database::scalar(const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* statement = prepared(sql, values);
    const QVariant value = step(statement, sql) ? column(statement, 0) : QVariant();
    sqlite3_reset(statement);
    return value;
}

QList<QVariantList> Database::rows(const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* statement = prepared(sql, values);
    QList<QVariantList> result;
    const int columns = sqlite3_column_count(statement);
    while (step(statement, sql)) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(column(statement, i));
        result.append(std::move(row));
    }
    sqlite3_reset(statement);
    return result;
}

int Database::run(const QString& sql, const QVariantList& values)
{
    sqlite3_stmt* statement = prepared(sql, values);
    while (step(statement, sql)) {
    }
    const int changed = sqlite3_changes(m_handle);
    sqlite3_reset(statement);
    return changed;
}

void Database::countSteps(qint64* steps)
{
    static const auto count = [](void* counter) {
        ++*static_cast<qint64*>(counter);
        return 0;
    };
    sqlite3_progress_handler(m_handle, steps ? 1 : 0, steps ? +count : nullptr, steps);
}

void Database::setCheckpointPages(int pages)
{
    // PRAGMA takes no bound values; the number is ours, not input.
    scalar(QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(pages));
}

bool Database::checkpointAndTruncate(const QString& schema)
{
    const QByteArray name = schema.toUtf8();
    // A truncating checkpoint holds the write lock from start to end, through the copy and
    // the sync, and through its wait for readers of older snapshots (an indexer reading a
    // long chunk): a write of the event loop would wait all that time and fail after the
    // busy time-out. So the copy is made first without the write lock, and the truncation,
    // which then has nothing left to copy, does not wait.
    int rc = sqlite3_wal_checkpoint_v2(m_handle, name.constData(), SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(m_handle, 0);
        rc = sqlite3_wal_checkpoint_v2(m_handle, name.constData(), SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(m_handle, kBusyTimeoutMs);
    }
    if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
        throw DatabaseError("checkpoint of " + name.toStdString() + " failed: " + sqlite3_errmsg(m_handle));
    return rc == SQLITE_OK;
}

int Database::schemaVersion()
{
    return scalar(QStringLiteral("PRAGMA user_version")).toInt();
}

void Database::migrate()
{
    const auto& steps = migrations();
    int version = schemaVersion();
    if (version > steps.size())
        throw DatabaseError("the database was made by a newer server (schema version " + std::to_string(version) + ")");
    for (; version < steps.size(); ++version) {
        Transaction transaction(*this);
        for (const QString& statement : steps[version])
            exec(statement);
        // PRAGMA takes no bound values; the number is ours, not input.
        exec(QStringLiteral("PRAGMA user_version = %1").arg(version + 1));
        transaction.commit();
    }
}

Database::Transaction::Transaction(Database& db, Start start)
    : m_db(db)
    , m_depth(db.m_transactionDepth)
{
    // IMMEDIATE takes the write lock at once, waiting for it as long as the busy time-out
    // allows: a transaction that read first and wrote later would instead fail outright
    // when another connection committed in between. A deferred one must write first.
    const QString begin = start == Start::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    m_db.run(m_depth == 0 ? begin : QStringLiteral("SAVEPOINT nested_%1").arg(m_depth));
    ++m_db.m_transactionDepth;
}

Database::Transaction::~Transaction()
{
    --m_db.m_transactionDepth;
    if (m_done)
        return;
    try {
        if (m_depth == 0) {
            m_db.run(QStringLiteral("ROLLBACK"));
            return;
        }
        m_db.run(QStringLiteral("ROLLBACK TO nested_%1").arg(m_depth));
        m_db.run(QStringLiteral("RELEASE nested_%1").arg(m_depth));
    } catch (const DatabaseError& error) {
        qWarning().noquote() << "[Server] Rolling back failed:" << error.what();
    }
}

void Database::Transaction::commit()
{
    m_db.run(m_depth == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE nested_%1").arg(m_depth));
    m_done = true;
}
