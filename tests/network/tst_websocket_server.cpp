// End to end: the channel against morvane-server, across a kill and restart of
// the server process, and across token renewals while a contact keeps writing.

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketService.h"

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"
#include "WebSocketLogCapture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using testsupport::ServerProcess;

namespace {

// A restarted server must come back on the same port, so the port is chosen here.
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

class TestWebSocketServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedServerComesBack()
    {
        const quint16 port = freePort();
        QVERIFY(port != 0);
        ServerProcess server({ .extraArguments = { u"--port"_s, QString::number(port) } });
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        // Register an account over HTTP for a real token.
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(server.baseUrl().toString() + u"/api/auth/register"_s));
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        std::unique_ptr<QNetworkReply> reply(network.post(request, R"({"username":"wsrestart","password":"secret123"})"));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        const QJsonObject registered = QJsonDocument::fromJson(reply->readAll()).object();
        const QString token = registered.value("app_session_id"_L1).toString();
        const qint64 userId = registered.value("user"_L1).toObject().value("id"_L1).toInteger();
        QVERIFY(!token.isEmpty());

        KeychainService keychain { std::make_unique<MemorySecretStore>() };
        keychain.saveText(token, u"auth_token"_s);
        ClientIdService clientIds { keychain };
        WebSocketService channel(server.wsUrl().toString(), WebSocketClock::system(), keychain, clientIds);
        WebSocketLogCapture log;

        channel.connect(userId);
        QTRY_VERIFY_WITH_TIMEOUT(channel.isConnected(), 10000);

        server.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!channel.isConnected(), 10000);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(server.port(), port);

        QTRY_VERIFY_WITH_TIMEOUT(channel.isConnected(), 15000);
        QCOMPARE(log.linesStartingWith(u"[WS] Auth success"_s).size(), 2);
        channel.disconnect();
    }

    // Bob writes to Alice every few milliseconds through his channel while both renew
    // their three-second tokens again and again: every message the server acknowledged
    // reaches Alice's channel live, once, and Bob never sees her go offline.
    void renewalsDeliverEverythingLive()
    {
        constexpr int renewals = 4;
        WebSocketLogCapture log;
        ServerProcess server(ServerProcess::Options { true, 3, {} });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        testsupport::ServerClient alice(server);
        testsupport::ServerClient bob(server);
        QVERIFY(alice.signIn(u"alice"_s, u"alice123"_s) && alice.connect());
        QVERIFY(bob.signIn(u"bob"_s, u"bob12345"_s) && bob.connect());
        const QList<qint64> members { alice.id() };
        const qint64 conversationId = testsupport::runTask(bob.chat.createConversation(u"private"_s, std::nullopt, members));
        QSet<qint64> acknowledged;
        QList<qint64> received;
        int offline = 0;
        connect(&bob.ws, &WebSocketService::messageAckSubject, this,
                [&](const QString&, const QString&, qint64 messageId) { acknowledged.insert(messageId); });
        connect(&bob.ws, &WebSocketService::presenceSubject, this, [&](qint64 userId, bool online) {
            offline += userId == alice.id() && !online ? 1 : 0;
        });
        connect(&alice.ws, &WebSocketService::newMessageSubject, this, [&](const Message& message) {
            if (message.conversationId == conversationId)
                received.append(message.id);
        });
        const auto accepted = [&log, &alice] {
            return log.linesStartingWith(u"[WS] Connecting to "_s).filter(u"with userId=%1 "_s.arg(alice.id())).size();
        };

        int sent = 0;
        QTimer sender;
        sender.setInterval(5);
        connect(&sender, &QTimer::timeout, this, [&] {
            const QJsonObject payload { { u"clientMsgId"_s, bob.clientIds.generateClientId() }, { u"conversationId"_s, conversationId },
                                        { u"type"_s, u"text"_s }, { u"content"_s, u"renewal %1"_s.arg(sent++) } };
            bob.ws.sendChatMessage(QJsonObject { { u"type"_s, u"message_send"_s }, { u"payload"_s, payload } });
        });
        const qsizetype before = accepted();
        sender.start();
        QTRY_VERIFY_WITH_TIMEOUT(accepted() >= before + renewals, 120000);
        sender.stop();
        QTRY_VERIFY_WITH_TIMEOUT(bob.ws.unacknowledgedMessages().isEmpty(), 60000);
        QCOMPARE(acknowledged.size(), sent);
        // Each acknowledged message, live, once and in order.
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), sent, 60000);
        QCOMPARE(QSet<qint64>(received.cbegin(), received.cend()), acknowledged);
        QVERIFY(std::is_sorted(received.cbegin(), received.cend()));
        QCOMPARE(offline, 0);
        alice.ws.disconnect();
        bob.ws.disconnect();
    }
};

QTEST_GUILESS_MAIN(TestWebSocketServer)
#include "tst_websocket_server.moc"
