#pragma once

// The channel against an in-process server (WebSocketTestServer), with a secret store
// of its own and a clock the test moves.

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/SessionRenewal.h"
#include "network/WebSocketService.h"

#include "Patience.h"
#include "WebSocketManualClock.h"
#include "WebSocketTestServer.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

struct Channel {
    Channel()
    {
        if (!server.listen())
            qFatal("cannot listen on loopback");
        service = std::make_unique<WebSocketService>(server.url(), manualClock, keychain, clientIds);
    }

    bool connectAndAuthenticate(qint64 userId)
    {
        service->connect(userId);
        return QTest::qWaitFor([this] { return service->isConnected(); }, testsupport::kPatienceMs);
    }

    WebSocketTestServer server;
    std::shared_ptr<WebSocketManualClock> manualClock = std::make_shared<WebSocketManualClock>();
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    std::unique_ptr<WebSocketService> service;
};

inline QJsonObject payloadOf(const QJsonObject& frame)
{
    return frame.value(QLatin1StringView("payload")).toObject();
}

// A "message_send" frame as the chat sends it.
inline QJsonObject chatFrame(const QString& clientMsgId, const QString& content = QStringLiteral("hi"))
{
    const QJsonObject payload { { QStringLiteral("clientMsgId"), clientMsgId },
                                { QStringLiteral("conversationId"), 3 },
                                { QStringLiteral("type"), QStringLiteral("text") },
                                { QStringLiteral("content"), content } };
    return QJsonObject { { QStringLiteral("type"), QStringLiteral("message_send") }, { QStringLiteral("payload"), payload } };
}

// The client message ids of the chat messages among these frames, in order.
inline QStringList clientIdsIn(const QList<QJsonObject>& frames)
{
    QStringList ids;
    for (const QJsonObject& frame : frames) {
        if (frame.value(QLatin1StringView("type")).toString() == u"message_send")
            ids.append(payloadOf(frame).value(QLatin1StringView("clientMsgId")).toString());
    }
    return ids;
}

inline QStringList clientIdsSent(const WebSocketTestServer& server)
{
    return clientIdsIn(server.framesOfType(QStringLiteral("message_send")));
}

// The types of these frames, in order.
inline QStringList typesOf(const QList<QJsonObject>& frames)
{
    QStringList types;
    for (const QJsonObject& frame : frames)
        types.append(frame.value(QLatin1StringView("type")).toString());
    return types;
}

// A session renewal that answers at once; a renewed session stores the token "renewed-N".
struct FakeRenewal {
    SessionRenewal answer = SessionRenewal::Renewed;
    int calls = 0;
};

inline QCoro::Task<SessionRenewal> renewWith(FakeRenewal* renewal, KeychainService* keychain)
{
    ++renewal->calls;
    if (renewal->answer == SessionRenewal::Renewed)
        keychain->saveText(QStringLiteral("renewed-%1").arg(renewal->calls), QStringLiteral("auth_token"));
    co_return renewal->answer;
}
