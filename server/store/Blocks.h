#pragma once

// Who has blocked whom. A block (the blocker's contact entry marked "blocked") cuts
// private traffic both ways: no private conversation, no sends or typing into one,
// and neither sees the other's presence. In groups they share, messages go on, but
// neither sees the other's typing, reactions or read receipts.

#include "http/ServerError.h"

#include <QSet>

class Database;

class Blocks {
public:
    explicit Blocks(Database& db);

    // True when either user has blocked the other.
    bool between(qint64 a, qint64 b);
    bool hasBlocked(qint64 blockerId, qint64 blockedId);
    // Everyone the user has blocked or is blocked by.
    QSet<qint64> around(qint64 userId);
    // Throws refusal() when either user has blocked the other.
    void requireNone(qint64 userId, qint64 otherUserId);
    // The same 403 whichever side blocked, so a blocked user cannot tell who did.
    static ServerError refusal();

private:
    Database& m_db;
};
