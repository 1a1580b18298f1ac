#include "store/TextIndex.h"

#include "store/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace {

// Each entry brings the index file from version N to N+1. Append, never edit.
const QList<QStringList>& indexFileMigrations()
{
    static const QList<QStringList> steps = {
        {
            // Substrings of three characters or more in any script; the texts themselves
            // stay in the messages table of the database.
            // Entries are kept under the negated message id: the newest come first, and an
            // index walks its entries forwards much faster than backwards.
            QStringLiteral("CREATE VIRTUAL TABLE text_index.message_text USING fts5(content, content='', tokenize='trigram')"),
            // Keys of one or two characters: tokens only, no positions.
            QStringLiteral("CREATE VIRTUAL TABLE text_index.message_pairs USING fts5(tokens, content='', tokenize='ascii',"
                           " prefix='6', detail='none')"),
            // Segments are merged in pairs rather than fours: a search walks the newest
            // matches first, which costs a little for every segment it has to look into.
            QStringLiteral("INSERT INTO text_index.message_text(message_text, rank) VALUES ('automerge', 2)"),
            QStringLiteral("INSERT INTO text_index.message_pairs(message_pairs, rank) VALUES ('automerge', 2)"),
            QStringLiteral("CREATE TABLE text_index.index_state (database_id TEXT NOT NULL,"
                           " indexed_through INTEGER NOT NULL, changes_through INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO text_index.index_state VALUES ('', 0, 0)"),
        },
    };
    return steps;
}

} // namespace

TextIndex::TextIndex(Database& db)
    : m_db(db)
{
    for (const QVariantList& attached : m_db.rows(QStringLiteral("PRAGMA database_list"))) {
        if (attached.value(1).toString() == u"text_index")
            return;
    }
    attach();
}

QString TextIndex::filePathFor(const QString& databasePath)
{
    const QFileInfo database(databasePath);
    return database.dir().filePath(database.completeBaseName() + QStringLiteral("-text.sqlite3"));
}

QString TextIndex::phraseOf(const QString& key)
{
    QString quoted = key;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void TextIndex::attach()
{
    // The threads of one server (indexer, reader) may open a new file at the same moment:
    // turning it to WAL while another connection has it open in its first journal mode
    // could fail, so they do it one after the other.
    static QMutex opening;
    const QMutexLocker lock(&opening);
    m_db.run(QStringLiteral("ATTACH DATABASE ? AS text_index"), { filePathFor(m_db.filePath()) });
    // As the database itself (see Database.cpp): its commits go to a WAL, not synced.
    m_db.scalar(QStringLiteral("PRAGMA text_index.journal_mode=WAL"));
    m_db.run(QStringLiteral("PRAGMA text_index.synchronous=NORMAL"));
    m_db.scalar(QStringLiteral("PRAGMA text_index.journal_size_limit=%1").arg(Database::kWalSizeLimit));

    const auto& steps = indexFileMigrations();
    const auto version = [this] { return m_db.scalar(QStringLiteral("PRAGMA text_index.user_version")).toInt(); };
    static const QString databaseId = QStringLiteral("(SELECT value FROM meta WHERE key = 'text_index_id')");
    const auto madeForThisDatabase = [this] {
        return m_db.scalar(QStringLiteral("SELECT database_id = %1 FROM text_index.index_state").arg(databaseId)).toBool();
    };
    if (version() == steps.size() && madeForThisDatabase())
        return;
    // Once per file: the write locks taken at once (the database's too, for this moment)
    // make a second connection opening a new file wait for the first, then find it done.
    Database::Transaction transaction(m_db);
    int at = version();
    if (at > steps.size())
        throw DatabaseError("the text index was made by a newer server (version " + std::to_string(at) + ")");
    for (; at < steps.size(); ++at) {
        for (const QString& statement : steps[at])
            m_db.exec(statement);
    }
    // PRAGMA takes no bound values; the number is ours, not input.
    m_db.scalar(QStringLiteral("PRAGMA text_index.user_version = %1").arg(at));
    if (!madeForThisDatabase()) {
        m_db.run(QStringLiteral("INSERT INTO text_index.message_text(message_text) VALUES ('delete-all')"));
        m_db.run(QStringLiteral("INSERT INTO text_index.message_pairs(message_pairs) VALUES ('delete-all')"));
        m_db.run(QStringLiteral("UPDATE text_index.index_state SET database_id = %1, indexed_through = 0, changes_through = 0").arg(databaseId));
    }
    transaction.commit();
}

TextIndexState TextIndex::state()
{
    const QList<QVariantList> found = m_db.rows(QStringLiteral("SELECT indexed_through, changes_through FROM text_index.index_state"));
    return found.isEmpty() ? TextIndexState {} : TextIndexState { found[0].value(0).toLongLong(), found[0].value(1).toLongLong() };
}

bool TextIndex::behind()
{
    const TextIndexState now = state();
    return m_db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM messages WHERE id > ?)"
                                      " OR EXISTS (SELECT 1 FROM message_text_changes WHERE seq > ?)"),
                   { now.indexedThrough, now.changesThrough })
        .toBool();
}

bool TextIndex::catchUp(int maxMessages)
{
    Database::Transaction transaction(m_db, Database::Transaction::Start::Deferred);
    // Writing first takes the index file's write lock before its state is read: a
    // connection catching up at the same time waits, then starts where this one ended.
    m_db.run(QStringLiteral("UPDATE text_index.index_state SET indexed_through = indexed_through"));
    const TextIndexState from = state();
    // One snapshot of the database from here on: the changes and the messages agree.
    reindexChanged(from.indexedThrough, from.changesThrough);
    const qint64 changesThrough
        = m_db.scalar(QStringLiteral("SELECT COALESCE(MAX(seq), ?) FROM message_text_changes"), { from.changesThrough }).toLongLong();

    const QVariant last = m_db.scalar(QStringLiteral("SELECT MAX(id) FROM (SELECT id FROM messages WHERE id > ? ORDER BY id LIMIT ?)"),
        { from.indexedThrough, maxMessages });
    const qint64 indexedThrough = last.isNull() ? from.indexedThrough : last.toLongLong();
    if (indexedThrough > from.indexedThrough) {
        m_db.run(QStringLiteral("INSERT INTO text_index.message_text(rowid, content)"
                                " SELECT -id, content FROM messages WHERE id > ? AND id <= ?"),
            { from.indexedThrough, indexedThrough });
        m_db.run(QStringLiteral("INSERT INTO text_index.message_pairs(rowid, tokens)"
                                " SELECT -id, short_key_tokens(content) FROM messages WHERE id > ? AND id <= ? AND content IS NOT NULL"),
            { from.indexedThrough, indexedThrough });
    }
    m_db.run(QStringLiteral("UPDATE text_index.index_state SET indexed_through = ?, changes_through = ?"),
        { indexedThrough, changesThrough });
    const bool more = m_db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM messages WHERE id > ?)"), { indexedThrough }).toBool();
    transaction.commit();

    // The queue is the database's: emptied in a write of its own, and only when there was
    // something in it (texts hardly ever change), so that catching up leaves the sends'
    // lock alone.
    if (changesThrough > from.changesThrough)
        m_db.run(QStringLiteral("DELETE FROM message_text_changes WHERE seq <= ?"), { changesThrough });
    return more;
}

bool TextIndex::checkpointAndTruncate()
{
    return m_db.checkpointAndTruncate(QStringLiteral("text_index"));
}

void TextIndex::reindexChanged(qint64 indexedThrough, qint64 changesThrough)
{
    // A message changed twice is in the index with the text of its first change.
    const QList<QVariantList> changes = m_db.rows(QStringLiteral("SELECT message_id, old_content FROM message_text_changes"
                                                                 " WHERE seq > ? AND message_id <= ? ORDER BY seq"),
        { changesThrough, indexedThrough });
    QSet<qint64> seen;
    for (const QVariantList& change : changes) {
        const qint64 id = change.value(0).toLongLong();
        if (seen.contains(id))
            continue;
        seen.insert(id);
        const QVariant held = change.value(1);
        m_db.run(QStringLiteral("INSERT INTO text_index.message_text(message_text, rowid, content) VALUES ('delete', -?, ?)"), { id, held });
        if (!held.isNull())
            m_db.run(QStringLiteral("INSERT INTO text_index.message_pairs(message_pairs, rowid, tokens) VALUES ('delete', -?, short_key_tokens(?))"),
                { id, held });
        m_db.run(QStringLiteral("INSERT INTO text_index.message_text(rowid, content) SELECT -id, content FROM messages WHERE id = ?"), { id });
        m_db.run(QStringLiteral("INSERT INTO text_index.message_pairs(rowid, tokens)"
                                " SELECT -id, short_key_tokens(content) FROM messages WHERE id = ? AND content IS NOT NULL"),
            { id });
    }
}
