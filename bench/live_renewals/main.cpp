// Live delivery across token renewals, as a user meets it. The application itself
// runs signed in as Alice, offscreen, in a child process (this program started again
// with "--client"); its channel passes through a plain TCP relay here that reads every
// frame the server writes to it. Bob sends to Alice from two connections of his own,
// one message every few milliseconds each, while every token lives a few seconds
// (the server's --token-ttl), so that Alice's channel and Bob's are renewed again and
// again. Reports, of the messages the server acknowledged to Bob:
//   missed     never written to any of Alice's sockets (the relay saw no delivery),
//   not shown  never handed on by Alice's channel (the application did not get it),
//   duplicate  handed on more than once,
// and how often Bob was told that Alice went offline.
//
// Run from the build directory:
//   bench/live_renewals/bench_live_renewals [seconds [ttl [intervalMs [senders [costUs]]]]]
// (defaults 40 s, a 6 s token lifetime, one message every 5 ms from each of 2 connections;
// costUs adds that many microseconds of work to each message the application gets, as
// a slower machine, or a build with sanitizers, would take: from about 2,500 on, the
// application falls behind the two senders and its renewals meet handovers under way).

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "app/MorvaneApp.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerClient;
using testsupport::ServerProcess;

namespace {

// ---- The client: the application, signed in as Alice. ----

// Keeps the channel's per-frame chatter out of the log the parent keeps.
void clientLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(u"[WS] Sending: message_delivered") || message.startsWith(u"[WS] Sending: ping"))
        return;
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    std::fprintf(stderr, "%7lld %s\n", clock.elapsed(), qPrintable(message));
}

int runClient(int argc, char** argv)
{
    qInstallMessageHandler(clientLog);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    MorvaneApp morvane;
    morvane.show();
    // A slower machine: each message costs the application this much more.
    const qint64 costUs = argc > 2 ? QByteArray(argv[2]).toLongLong() : 0;
    // One line per message the channel hands on, for the parent to count.
    QObject::connect(WebSocketService::shared(), &WebSocketService::newMessageSubject, &app, [costUs](const Message& message) {
        std::printf("got %lld\n", message.id);
        std::fflush(stdout);
        QElapsedTimer held;
        held.start();
        while (held.nsecsElapsed() < costUs * 1000) {
        }
    });
    QObject::connect(WebSocketService::shared(), &WebSocketService::authenticated, &app, [] {
        std::printf("connected %lld\n", WebSocketService::shared()->currentUserId().value_or(0));
        std::fflush(stdout);
    });
    // As the login screen does.
    AuthViewModel* auth = morvane.authViewModel();
    auth->setUsername(u"alice"_s);
    auth->setPassword(u"alice123"_s);
    auth->login();
    return QApplication::exec();
}

// ---- The relay between the application and the server. ----

// Reads the server's side of one WebSocket connection: the upgrade answer, then frames
// (unmasked, as a server writes them).
class ServerFrames {
public:
    // Each complete text message.
    QList<QByteArray> feed(const QByteArray& bytes)
    {
        m_buffer += bytes;
        QList<QByteArray> messages;
        if (!m_upgraded) {
            const qsizetype end = m_buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return messages;
            m_buffer.remove(0, end + 4);
            m_upgraded = true;
        }
        for (;;) {
            if (m_buffer.size() < 2)
                return messages;
            const auto* data = reinterpret_cast<const uchar*>(m_buffer.constData());
            const bool fin = data[0] & 0x80;
            const int opcode = data[0] & 0x0f;
            quint64 length = data[1] & 0x7f;
            qsizetype header = 2;
            if (length == 126) {
                if (m_buffer.size() < 4)
                    return messages;
                length = qFromBigEndian<quint16>(data + 2);
                header = 4;
            } else if (length == 127) {
                if (m_buffer.size() < 10)
                    return messages;
                length = qFromBigEndian<quint64>(data + 2);
                header = 10;
            }
            if (quint64(m_buffer.size() - header) < length)
                return messages;
            const QByteArray payload = m_buffer.mid(header, qsizetype(length));
            m_buffer.remove(0, header + qsizetype(length));
            if (opcode == 0x1 || opcode == 0x0) {
                m_message += payload;
                if (fin)
                    messages.append(std::exchange(m_message, {}));
            } else if (opcode == 0x8) {
                closes.append(payload.size() >= 2 ? u"%1 %2"_s.arg(qFromBigEndian<quint16>(payload.constData())).arg(QString::fromUtf8(payload.mid(2)))
                                                  : u"no code"_s);
            }
        }
    }

    // The server's close frames: code and reason.
    QStringList closes;

private:
    bool m_upgraded = false;
    QByteArray m_buffer;
    QByteArray m_message;
};

// Passes bytes both ways unchanged; counts what the server writes.
class FrameRelay : public QObject {
public:
    FrameRelay(quint16 serverPort)
        : m_serverPort(serverPort)
    {
        m_listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_listener.nextPendingConnection())
                relay(client);
        });
    }

    quint16 port() const { return m_listener.serverPort(); }
    // Deliveries the server wrote, by message id, over every connection.
    QHash<qint64, int> deliveries;
    int connections = 0;
    int authSuccesses = 0;
    // How the server closed Alice's sockets.
    QHash<QString, int> serverCloses;

private:
    void relay(QTcpSocket* client)
    {
        ++connections;
        client->setParent(this);
        auto* server = new QTcpSocket(this);
        auto frames = std::make_shared<ServerFrames>();
        const int index = connections;
        server->connectToHost(QHostAddress::LocalHost, m_serverPort);
        QObject::connect(client, &QTcpSocket::readyRead, server, [client, server] { server->write(client->readAll()); });
        QObject::connect(server, &QTcpSocket::readyRead, client, [this, client, server, frames, index] {
            const QByteArray bytes = server->readAll();
            for (const QByteArray& text : frames->feed(bytes))
                count(text, index);
            for (const QString& close : std::exchange(frames->closes, {}))
                ++serverCloses[close];
            client->write(bytes);
        });
        // Either side ending ends the other once what it sent has gone out.
        QObject::connect(client, &QTcpSocket::disconnected, server, [client, server] {
            server->disconnectFromHost();
            client->deleteLater();
        });
        QObject::connect(server, &QTcpSocket::disconnected, client, [client, server] {
            client->disconnectFromHost();
            server->deleteLater();
        });
    }

    void count(const QByteArray& text, int connection)
    {
        const QJsonObject frame = QJsonDocument::fromJson(text).object();
        const QString type = frame.value(u"type"_s).toString();
        if (type == u"message_deliver") {
            const qint64 id = frame.value(u"payload"_s).toObject().value(u"message"_s).toObject().value(u"id"_s).toInteger();
            ++deliveries[id];
            carriedOn.insert(id, connection);
        } else if (type == u"auth_success") {
            ++authSuccesses;
        }
    }

public:
    // The connection (in the order they were made, from 1) each delivery was written on last.
    QHash<qint64, int> carriedOn;

private:

    quint16 m_serverPort;
    QTcpServer m_listener;
};

// ---- The run. ----

void quietHandler(QtMsgType, const QMessageLogContext&, const QString&)
{
}

struct Sender {
    std::unique_ptr<ServerClient> client;
    QTimer timer;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--client") == 0)
        return runClient(argc, argv);

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args.at(1).toInt() : 40;
    const int ttl = args.size() > 2 ? args.at(2).toInt() : 6;
    const int intervalMs = args.size() > 3 ? args.at(3).toInt() : 5;
    const int senderCount = args.size() > 4 ? args.at(4).toInt() : 2;
    const QString costUs = args.value(5, u"0"_s);

    ServerProcess server(ServerProcess::Options { true, ttl, {} });
    if (!server.start()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    qInstallMessageHandler(quietHandler);
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    FrameRelay relay(server.port());

    // Alice: the application in a home of its own, its channel through the relay.
    QTemporaryDir home;
    QProcess alice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/config"_s);
    env.insert(u"XDG_DATA_HOME"_s, home.path() + u"/data"_s);
    env.insert(u"XDG_CACHE_HOME"_s, home.path() + u"/cache"_s);
    env.insert(u"MORVANE_SECRET_STORE"_s, u"file"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"MORVANE_API_URL"_s, server.baseUrl().toString());
    env.insert(u"MORVANE_WS_URL"_s, u"ws://127.0.0.1:%1/ws"_s.arg(relay.port()));
    alice.setProcessEnvironment(env);
    const QString clientLogPath = home.path() + u"/client.log"_s;
    alice.setStandardErrorFile(clientLogPath);
    QHash<qint64, int> shown;
    int aliceConnected = 0;
    qint64 aliceId = 0;
    QObject::connect(&alice, &QProcess::readyReadStandardOutput, &alice, [&] {
        while (alice.canReadLine()) {
            const QByteArray line = alice.readLine().trimmed();
            if (line.startsWith("got "))
                ++shown[line.mid(4).toLongLong()];
            else if (line.startsWith("connected ")) {
                ++aliceConnected;
                aliceId = line.mid(10).toLongLong();
            }
        }
    });
    alice.start(app.applicationFilePath(), { u"--client"_s, costUs });
    if (!QTest::qWaitFor([&] { return aliceConnected > 0; }, testsupport::kPatienceMs)) {
        std::fprintf(stderr, "the application did not connect; its log: %s\n", qPrintable(clientLogPath));
        return 1;
    }

    // Bob, on connections of his own.
    std::vector<std::unique_ptr<Sender>> senders;
    qint64 conversationId = 0;
    QSet<qint64> acknowledged;
    int offlineSeen = 0;
    int failed = 0;
    int sent = 0;
    for (int i = 0; i < senderCount; ++i) {
        auto sender = std::make_unique<Sender>();
        sender->client = std::make_unique<ServerClient>(server);
        ServerClient& bob = *sender->client;
        if (!bob.signIn(u"bob"_s, u"bob12345"_s) || !bob.connect()) {
            std::fprintf(stderr, "Bob could not sign in\n");
            return 1;
        }
        if (conversationId == 0) {
            const QList<qint64> members { aliceId };
            conversationId = runTask(bob.chat.createConversation(u"private"_s, std::nullopt, members));
        }
        QObject::connect(&bob.ws, &WebSocketService::messageAckSubject, &bob.ws,
                         [&](const QString&, const QString&, qint64 messageId) { acknowledged.insert(messageId); });
        QObject::connect(&bob.ws, &WebSocketService::messageFailedSubject, &bob.ws,
                         [&](const QString& clientMsgId, const std::optional<QString>& reason) {
                             ++failed;
                             std::fprintf(stderr, "failed %s: %s\n", qPrintable(clientMsgId), qPrintable(reason.value_or(u"no answer"_s)));
                         });
        QObject::connect(&bob.ws, &WebSocketService::presenceSubject, &bob.ws, [&](qint64 userId, bool online) {
            if (userId == aliceId && !online)
                ++offlineSeen;
        });
        sender->timer.setInterval(intervalMs);
        sender->timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&sender->timer, &QTimer::timeout, &bob.ws, [&bob, &sent, conversationId] {
            const QJsonObject payload { { u"clientMsgId"_s, bob.clientIds.generateClientId() },
                                        { u"conversationId"_s, conversationId },
                                        { u"type"_s, u"text"_s },
                                        { u"content"_s, u"renewal %1"_s.arg(sent++) } };
            bob.ws.sendChatMessage(QJsonObject { { u"type"_s, u"message_send"_s }, { u"payload"_s, payload } });
        });
        senders.push_back(std::move(sender));
    }

    const int renewalsBefore = relay.authSuccesses;
    for (auto& sender : senders)
        sender->timer.start();
    // A plain event loop: QTest::qWait would sleep between its turns, unlike the application.
    QEventLoop running;
    QTimer::singleShot(seconds * 1000, &running, &QEventLoop::quit);
    running.exec();
    for (auto& sender : senders)
        sender->timer.stop();
    const auto allAnswered = [&] {
        return std::all_of(senders.cbegin(), senders.cend(), [](const auto& s) { return s->client->ws.unacknowledgedMessages().isEmpty(); });
    };
    if (!QTest::qWaitFor(allAnswered, 60000))
        std::fprintf(stderr, "some messages were never answered\n");
    // The application may be far behind: wait until it has shown everything the relay
    // passed on, or nothing more comes for a while.
    for (qsizetype last = -1; last != shown.size();) {
        last = shown.size();
        QTest::qWait(5000);
    }

    int missed = 0;
    int notShown = 0;
    int duplicates = 0;
    int writtenTwice = 0;
    for (const qint64 id : std::as_const(acknowledged)) {
        missed += !relay.deliveries.contains(id);
        writtenTwice += relay.deliveries.value(id) > 1;
        notShown += !shown.contains(id);
        duplicates += shown.value(id) > 1;
    }
    std::printf("%d s, %d-s tokens, %d sender connections every %d ms\n", seconds, ttl, senderCount, intervalMs);
    std::printf("sent %d, acknowledged %lld, failed %d\n", sent, qint64(acknowledged.size()), failed);
    std::printf("Alice's channel: %d connections through the relay, %d accepted during the run\n", relay.connections,
                relay.authSuccesses - renewalsBefore);
    std::printf("missed (written to none of Alice's sockets) %d, written twice %d\n", missed, writtenTwice);
    std::printf("not shown (never handed on by Alice's channel) %d, duplicate %d\n", notShown, duplicates);
    std::printf("Alice offline to Bob %d\n", offlineSeen);
    // Where the application's losses lie, as runs of message ids.
    QList<qint64> lost;
    for (const qint64 id : std::as_const(acknowledged)) {
        if (!shown.contains(id))
            lost.append(id);
    }
    std::sort(lost.begin(), lost.end());
    QStringList runs;
    for (qsizetype i = 0; i < lost.size();) {
        qsizetype j = i;
        while (j + 1 < lost.size() && lost.at(j + 1) == lost.at(j) + 1)
            ++j;
        runs.append(u"%1-%2 (connection %3)"_s.arg(lost.at(i)).arg(lost.at(j)).arg(relay.carriedOn.value(lost.at(i))));
        i = j + 1;
    }
    if (!runs.isEmpty())
        std::printf("not shown, by runs of ids: %s\n", qPrintable(runs.mid(0, 12).join(u", "_s)));
    for (auto it = relay.serverCloses.cbegin(); it != relay.serverCloses.cend(); ++it)
        std::printf("the server closed %d of Alice's sockets: %s\n", it.value(), qPrintable(it.key()));
    std::printf("the application's log: %s\n", qPrintable(clientLogPath));
    for (auto& sender : senders)
        sender->client->ws.disconnect();
    alice.terminate();
    if (!alice.waitForFinished(5000))
        alice.kill();
    home.setAutoRemove(false);
    return 0;
}
