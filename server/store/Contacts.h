#pragma once

// The contact lists of users and who hears about whose presence.

#include "live/Presence.h"

#include <QJsonArray>
#include <QList>

class Database;

class Contacts {
public:
    explicit Contacts(Database& db);

    QJsonArray listFor(qint64 userId, const Presence& online);
    // Makes a and b contacts of each other (nothing changes where they already are).
    void connect(qint64 a, qint64 b);
    // Users to tell when this user comes online or goes offline: whoever has them as a
    // contact or shares a private conversation with them.
    QList<qint64> presenceWatchers(qint64 userId);
    // Takes contactId off the user's list (the other side keeps theirs); throws 404
    // when it is not on the list.
    void remove(qint64 userId, qint64 contactId);
    // Throws 404 when contactId is not on the user's list.
    void unblock(qint64 userId, qint64 contactId);

private:
    Database& m_db;
};
