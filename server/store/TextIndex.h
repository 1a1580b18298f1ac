#pragma once

// The two indexes of message texts (trigrams, and character pairs for shorter keys: see
// ShortKeyIndex.h), in a file of their own beside the database ("<name>-text.sqlite3"),
// attached to the connections that search or index. Writing an index costs more than
// storing the message it indexes, and a file of its own has a write lock of its own:
// sends are stored and acknowledged without waiting for it, and TextIndexer brings it up
// to date on a thread of its own a moment later.
//
// The index holds the texts of every message up to indexedThrough(), as they were when it
// took them; texts changed or removed since (message_text_changes, filled by triggers of
// the database) are taken out and put in again as they are now when it next catches up.
// Until then a search reads those messages directly (see GlobalSearch).

#include <QString>

class Database;

struct TextIndexState {
    // Every message up to this id is in the index.
    qint64 indexedThrough = 0;
    // Every change of message_text_changes up to this one is in the index too.
    qint64 changesThrough = 0;
};

class TextIndex {
public:
    // At most this many new messages go into the index in one transaction.
    static constexpr int kMaxChunk = 2048;

    // Attaches the index file to the connection, creating and migrating it when needed,
    // unless it is attached already. Throws DatabaseError when it cannot.
    explicit TextIndex(Database& db);

    static QString filePathFor(const QString& databasePath);
    // A key of kLongKey code points or more (see ShortKeyIndex.h) as one phrase of the
    // trigram index's query language: its trigrams, in a row.
    static QString phraseOf(const QString& key);

    TextIndexState state();
    // Whether stored messages or changed texts wait for the index.
    bool behind();
    // Takes in the texts changed since and up to maxMessages new messages, in one
    // transaction of the index file. Several connections may catch up at once: they take
    // turns. Returns whether more is waiting.
    bool catchUp(int maxMessages = kMaxChunk);
    // Copies the index file's WAL into it and empties the WAL file (see Database); false
    // when a search still reading the WAL leaves that for later.
    bool checkpointAndTruncate();

private:
    void attach();
    // Takes the index's entries for these messages out, given the texts it took, and puts
    // the messages' texts in again as they are now.
    void reindexChanged(qint64 indexedThrough, qint64 changesThrough);

    Database& m_db;
};
