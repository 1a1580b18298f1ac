#pragma once

// Each member's count of unread messages (from the others, after the member's read mark,
// not taken back) is kept in their row for the messages up to a mark of its own, and
// counted from the messages after it when it is read: a send writes no member's row. The
// message writer brings the kept counts up to date when it has nothing else to do, in one
// statement for everything stored since (see countNew()), so the part counted on reading
// stays short. Marks moving, members joining and messages taken back or removed keep the
// counts through the triggers of SendPathSchema, which read the same mark.

#include <QString>

class Database;

class UnreadCounts {
public:
    // When nothing else made the writer count, it counts once this many messages wait.
    static constexpr int kMaxUncounted = 20000;

    explicit UnreadCounts(Database& db);

    // The last message the kept counts take in (for the triggers and the reads).
    static QString countedThrough();
    // A member's count; %1 names their conversation_members row in the statement.
    static QString of(const QString& member);

    // Takes the messages stored since into the kept counts, in one transaction; false
    // when there were none.
    bool countNew();
    // How many messages wait to be taken in.
    qint64 waiting();

private:
    Database& m_db;
};
