#pragma once

// One whole client against a morvane-server child process, wired as the application
// wires its shared objects: 401s refresh through the auth service, and the channel
// follows the session's refreshes. Each has its own in-memory keychain.

#include "ServerProcess.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/GroupService.h"
#include "state/chat/AuthViewModel.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/UnsentMessages.h"
#include "state/common/NotificationCenter.h"

#include <QTest>

#include <memory>

namespace testsupport {

struct ServerClient {
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    APIClient api;
    AuthService auth { api, keychain };
    ChatService chat { api };
    GroupService groups { api };
    WebSocketService ws;
    NotificationCenter notifications;
    UnsentMessages unsent { ws };
    AuthViewModel session { AuthViewModel::Dependencies { &auth, &keychain, &ws, &api } };

    explicit ServerClient(const ServerProcess& server)
        : api(server.baseUrl().toString(), keychain)
        , ws(server.wsUrl().toString(), WebSocketClock::system(), keychain, clientIds)
    {
        api.setTokenRefresher([this] { return auth.refreshToken(); });
        ws.followSession(api);
    }

    bool signIn(const QString& name, const QString& password)
    {
        session.setUsername(name);
        session.setPassword(password);
        runTask(session.login());
        return session.isAuthenticated();
    }

    bool registerAccount(const QString& name, const QString& password)
    {
        session.setUsername(name);
        session.setPassword(password);
        runTask(session.registerAccount());
        return session.isAuthenticated();
    }

    // Opens the channel for the signed-in user and waits until the server accepted it.
    bool connect()
    {
        ws.connect(id());
        return QTest::qWaitFor([this] { return ws.isConnected(); }, testsupport::kPatienceMs);
    }

    qint64 id() const { return session.user()->id; }

    std::unique_ptr<ChatViewModel> chatModel(qint64 conversationId)
    {
        return std::make_unique<ChatViewModel>(conversationId, id(),
                                               ChatViewModel::Dependencies { &chat, &ws, &clientIds, &keychain, &api,
                                                                             &notifications, StateTimer::systemFactory(), &unsent });
    }
};

} // namespace testsupport
