#pragma once

// Customer-service sessions: a customer waits, an operator accepts the session and
// answers in the customer's private chat, and the session ends (the customer may rate
// it). The operator console lists them and reads the operator's figures from here.

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class Database;

class ServiceSessions {
public:
    static constexpr int kMaxReply = 5000;
    // How many of the caller's ended sessions the list shows, the most recent.
    static constexpr int kListedEnded = 200;

    explicit ServiceSessions(Database& db);

    // Every waiting session, then the caller's own active ones and the caller's
    // kListedEnded most recent ended ones.
    QJsonArray sessionsFor(qint64 callerId);
    // Only a waiting session; it becomes the caller's. ServerError 404 unknown, 409 not waiting.
    void accept(qint64 sessionId, qint64 callerId);
    // Only the session's operator, or an administrator, ends an active session:
    // ServerError 404 unknown, 403 someone else's, 409 not active.
    void end(qint64 sessionId, qint64 callerId, bool administrator);
    // The customer of the caller's own active session, which a reply is about to reach;
    // the same refusals as end(), for administrators too.
    qint64 customerToAnswer(qint64 sessionId, qint64 callerId);
    // The reply went out: the session's last message, and its first reply time once.
    void recordReply(qint64 sessionId, const QString& text);
    // A customer wrote to a staff account: the last message of their waiting or active
    // session, or a new waiting session when they have none.
    void recordCustomerMessage(qint64 customerId, const QString& text, const QString& time);
    // todayServed, avgRating, avgResponseTime (seconds) and resolutionRate (a fraction)
    // of the caller's sessions; a figure without sessions to compute it from is left out.
    QJsonObject statsFor(qint64 callerId);

private:
    struct Row {
        qint64 operatorId = 0; // 0: none yet
        QString status;
    };
    Row require(qint64 sessionId);

    Database& m_db;
};
