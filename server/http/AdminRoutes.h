#pragma once

// "/api/admin/*": the administration console's REST calls (statistics, the user,
// group and message lists, ban, role, dissolve, delete), for role "admin" only:
// 401 without a valid token, 403 for every other role.

#include "http/HttpFront.h"

class Accounts;
class Database;
class LiveHub;
class Messages;
struct PageRequest;

class AdminRoutes {
public:
    AdminRoutes(Database& db, Accounts& accounts, Messages& messages, LiveHub& hub);
    HttpReply handle(const HttpRequest& request, const QString& rest);

private:
    HttpReply stats();
    HttpReply ban(qint64 adminId, const HttpRequest& request);
    HttpReply changeRole(qint64 adminId, const HttpRequest& request);
    HttpReply dissolve(qint64 adminId, const HttpRequest& request);
    HttpReply deleteMessage(qint64 adminId, const HttpRequest& request);

    Database& m_db;
    Accounts& m_accounts;
    Messages& m_messages;
    LiveHub& m_hub;
};
