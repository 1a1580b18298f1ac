#pragma once

// A whole client for state tests: services on a recording HTTP server, the
// realtime channel on a fake peer, an in-memory keychain and manual timers.

#include "FakeChannelPeer.h"
#include "ManualTimers.h"
#include "RecordingHttpServer.h"
#include "RoundTrip.h"
#include "TaskRunner.h"

#include "models/Json.h"
#include "models/User.h"
#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/ContactService.h"
#include "services/GroupService.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/UnsentMessages.h"
#include "state/common/NotificationCenter.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

inline QByteArray envelope(const QByteArray& json)
{
    return R"({"result":{"data":{"json":)" + json + "}}}";
}

inline RecordingHttpServer::Reply ok(const QByteArray& json)
{
    return RecordingHttpServer::Reply { 200, envelope(json) };
}

inline QString procedure(const char* name)
{
    return QStringLiteral("/api/trpc/") + QString::fromLatin1(name);
}

struct ClientStack {
    RecordingHttpServer server;
    FakeChannelPeer peer;
    MemorySecretStore* store = new MemorySecretStore;
    KeychainService keychain { std::unique_ptr<SecretStore>(store) };
    ClientIdService clientIds { keychain };
    APIClient api { server.baseUrl(), keychain };
    AuthService auth { api, keychain };
    ChatService chat { api };
    ContactService contacts { api };
    GroupService groups { api };
    WebSocketService ws { peer.url(), WebSocketClock::system(), keychain, clientIds };
    NotificationCenter notifications;
    UnsentMessages unsent { ws };
    std::shared_ptr<ManualTimers> timers = std::make_shared<ManualTimers>();

    static User user(qint64 id, const QString& name)
    {
        User u;
        u.id = id;
        u.openId = QStringLiteral("open-%1").arg(id);
        u.name = name;
        return u;
    }

    void storeSession(const User& u, const QString& token = QStringLiteral("token-1"))
    {
        keychain.saveText(token, QStringLiteral("auth_token"));
        keychain.save(json::serialize(json::encode(u).toObject()), QStringLiteral("cached_user"));
    }

    // Signs the channel in with the fake peer and waits for "auth_success".
    bool connectChannel(const User& u)
    {
        storeSession(u);
        ws.connect(u.id);
        return QTest::qWaitFor([this] { return ws.isConnected(); }, testsupport::kPatienceMs);
    }

    int requestCount(const QString& path) const { return int(server.requestsTo(path).size()); }
    // What the n-th call of a procedure was given (its "json" input); empty when there
    // was no such call.
    QJsonObject input(const char* name, qsizetype n = 0) const
    {
        const QList<RecordingHttpServer::Recorded> calls = server.requestsTo(procedure(name));
        return n < calls.size() ? calls.at(n).procedureInput().toObject() : QJsonObject();
    }
    // What the latest call of a procedure was given; undefined when there was none.
    QJsonValue lastInput(const char* name) const
    {
        const QList<RecordingHttpServer::Recorded> calls = server.requestsTo(procedure(name));
        return calls.isEmpty() ? QJsonValue(QJsonValue::Undefined) : calls.last().procedureInput();
    }
    // The inputs of every call of a procedure, in order.
    QList<QJsonObject> inputs(const char* name) const
    {
        QList<QJsonObject> all;
        for (const RecordingHttpServer::Recorded& call : server.requestsTo(procedure(name)))
            all << call.procedureInput().toObject();
        return all;
    }
    // A chat state on these services and this stack's timers.
    ChatViewModel::Dependencies chatDependencies()
    {
        return { &chat, &ws, &clientIds, &keychain, &api, &notifications, timers, &unsent };
    }
    // The barrier of a "nothing was sent" check (RoundTrip.h).
    bool roundTrip() { return testsupport::roundTrip(api, server); }
};

