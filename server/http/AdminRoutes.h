#pragma once

// "/api/admin/*": the administration console's REST calls (statistics, the user,
// group and message lists, ban, role, dissolve, delete), for role "admin" only:
// 401 without a valid token, 403 for every other role. What counts or searches every
// message is answered from the reading thread.

#include "http/HttpFront.h"

#include <functional>

class Accounts;
class Database;
class LiveHub;
class Messages;
class ReadingThread;
struct PageRequest;

class AdminRoutes {
public:
    AdminRoutes(Database& db, Accounts& accounts, Messages& messages, LiveHub& hub, ReadingThread& reading);
    HttpReply handle(const HttpRequest& request, const QString& rest);

private:
    HttpReply stats(Language language);
    // The answer of read, run on the reading thread.
    HttpReply later(Language language, std::function<HttpReply(Database&)> read);
    HttpReply ban(qint64 adminId, const HttpRequest& request);
    HttpReply changeRole(qint64 adminId, const HttpRequest& request);
    HttpReply dissolve(qint64 adminId, const HttpRequest& request);
    HttpReply deleteMessage(qint64 adminId, const HttpRequest& request);

    Database& m_db;
    Accounts& m_accounts;
    Messages& m_messages;
    LiveHub& m_hub;
    ReadingThread& m_reading;
};
