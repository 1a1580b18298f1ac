// End to end: the channel against morvane-server, across a kill and restart of
// the server process.

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketService.h"

#include "ServerProcess.h"
#include "WebSocketLogCapture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

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
        QVERIFY(finished.wait(testsupport::kPatienceMs));
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
};

QTEST_GUILESS_MAIN(TestWebSocketServer)
#include "tst_websocket_server.moc"
