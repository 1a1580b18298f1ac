// Load on morvane-server's live channel against a bare Qt WebSocket echo server.
//
// N clients (1, 10, 50) send text messages stop-and-wait (one in flight each) and
// pipelined (a window of kWindow in flight each). Against the server a send is answered
// by its "message_ack", which comes only after the message is committed; against the
// echo server by the frame coming back. Prints messages per second and p50/p99
// send→answer per case (the median of a few runs), then the ratios a script reads.
// The group case: 10 clients stop-and-wait in one group of 10, so that every message
// goes out to the 9 others as well; its echo server sends every frame to all 10.
// Last, the time of 10 sequential HTTP/1.0 requests, each read to the connection's end.
//
// Run from the build directory: bench/server_load/bench_server_load
// (MORVANE_SERVER_BINARY picks another server binary).

#include "ServerProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRounds = 3;
constexpr int kWindow = 32;
constexpr int kStopAndWaitPerClient = 300;
constexpr int kPipelinedPerClient = 600;

// Answers every text frame with itself (or, fanning out, sends it to every socket),
// on a thread of its own like a separate process.
class EchoServer : public QObject {
public:
    explicit EchoServer(bool fanOut)
        : m_fanOut(fanOut)
    {
    }

    quint16 start()
    {
        // Accepted here, so that its sockets send without delay as the server's do.
        m_listener = new QTcpServer(this);
        m_listener->listen(QHostAddress::LocalHost, 0);
        m_server = new QWebSocketServer(u"echo"_s, QWebSocketServer::NonSecureMode, this);
        connect(m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_listener->nextPendingConnection()) {
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                m_server->handleConnection(socket);
            }
        });
        connect(m_server, &QWebSocketServer::newConnection, this, [this] {
            while (QWebSocket* socket = m_server->nextPendingConnection()) {
                socket->setParent(m_server);
                m_sockets.append(socket);
                connect(socket, &QWebSocket::textMessageReceived, socket, [this, socket](const QString& text) {
                    if (!m_fanOut) {
                        socket->sendTextMessage(text);
                        return;
                    }
                    for (QWebSocket* member : std::as_const(m_sockets))
                        member->sendTextMessage(text);
                });
                connect(socket, &QWebSocket::disconnected, socket, [this, socket] {
                    m_sockets.removeAll(socket);
                    socket->deleteLater();
                });
            }
        });
        return m_listener->serverPort();
    }

    // On the echo thread: its sockets must go where they were made.
    void stop()
    {
        delete m_server;
        m_server = nullptr;
        delete m_listener;
        m_listener = nullptr;
    }

private:
    bool m_fanOut;
    QTcpServer* m_listener = nullptr;
    QWebSocketServer* m_server = nullptr;
    QList<QWebSocket*> m_sockets;
};

// Runs an echo server on a thread of its own until destroyed.
class EchoThread {
public:
    explicit EchoThread(bool fanOut)
        : m_echo(fanOut)
    {
        m_echo.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(&m_echo, [this] { m_port = m_echo.start(); }, Qt::BlockingQueuedConnection);
    }
    ~EchoThread()
    {
        QMetaObject::invokeMethod(&m_echo, [this] { m_echo.stop(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }

private:
    QThread m_thread;
    EchoServer m_echo;
    quint16 m_port = 0;
};

// Ten requests as an HTTP/1.0 client (ab) makes them, one after another, each on its
// own connection that the client reads to its end: the time of all ten, in ms, or -1
// when one got no whole answer.
double sequentialHttp10(quint16 port)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 10; ++i) {
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, port);
        if (!socket.waitForConnected(10000))
            return -1;
        socket.write("GET /api/auth/me HTTP/1.0\r\n\r\n");
        QByteArray answer;
        // To the end of the stream: the server ends it after its answer.
        while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(120000))
            answer += socket.readAll();
        answer += socket.readAll();
        if (!answer.startsWith("HTTP/1.1 401"))
            return -1;
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// POSTs the body, or GETs when there is none.
QJsonValue call(QNetworkAccessManager& nam, const QUrl& url, const QJsonObject& body, const QString& token = {})
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    QNetworkReply* reply = body.isEmpty() ? nam.get(request) : nam.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    waitUntil([reply] { return reply->isFinished(); }, 60000);
    const QJsonValue value = QJsonDocument::fromJson(reply->readAll()).object();
    reply->deleteLater();
    return value;
}

struct Account {
    QString token;
    qint64 userId = 0;
    qint64 conversationId = 0;
};

struct Client {
    std::unique_ptr<QWebSocket> socket;
    Account account;
    int sent = 0;
    int answered = 0;
    int toSend = 0;
    QHash<QString, qint64> sentAtNs;
};

struct Figures {
    double perSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    // The server process's CPU time (all its threads) per message sent; unlike the
    // rates it hardly moves with other work on the machine.
    double cpuUsPerMessage = 0;
};

// CPU time of a process's threads so far, in microseconds (0 when unknown): the
// scheduler's own nanosecond count, where the process's tick count would be too coarse
// for a run of a few hundred messages.
double cpuMicros(qint64 pid)
{
    double ns = 0;
    const QDir tasks(u"/proc/%1/task"_s.arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + u"/schedstat"_s));
        if (schedstat.open(QIODevice::ReadOnly))
            ns += schedstat.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e3;
}

enum class Mode { StopAndWait, Pipelined, Group };

const char* modeName(Mode mode)
{
    switch (mode) {
    case Mode::StopAndWait:
        return "stop-and-wait";
    case Mode::Pipelined:
        return "pipelined";
    case Mode::Group:
        return "group";
    }
    return "";
}

QString caseKey(bool toServer, int clients, Mode mode)
{
    return u"%1/%2/%3"_s.arg(toServer ? u"server"_s : u"echo"_s).arg(clients).arg(QLatin1StringView(modeName(mode)));
}

// Each figure's median over the runs, taken apart.
Figures median(QList<Figures> runs)
{
    const auto middle = [&runs](double Figures::*field) {
        std::sort(runs.begin(), runs.end(), [field](const Figures& a, const Figures& b) { return a.*field < b.*field; });
        return runs[runs.size() / 2].*field;
    };
    return { middle(&Figures::perSecond), middle(&Figures::p50Ms), middle(&Figures::p99Ms), middle(&Figures::cpuUsPerMessage) };
}

// One run of one case: every client sends its share, answers are timed.
class LoadRun {
public:
    LoadRun(std::vector<Client>& clients, bool pipelined, int perClient, const QString& tag, qint64 serverPid)
        : m_clients(clients)
        , m_pipelined(pipelined)
        , m_tag(tag)
        , m_serverPid(serverPid)
    {
        for (Client& client : m_clients) {
            client.sent = client.answered = 0;
            client.toSend = perClient;
            client.sentAtNs.clear();
        }
    }

    Figures run()
    {
        std::vector<QMetaObject::Connection> connections;
        for (size_t i = 0; i < m_clients.size(); ++i) {
            connections.push_back(QObject::connect(m_clients[i].socket.get(), &QWebSocket::textMessageReceived,
                [this, i](const QString& text) { onAnswer(m_clients[i], text); }));
        }
        const double cpuBefore = cpuMicros(m_serverPid);
        m_clock.start();
        for (Client& client : m_clients) {
            for (int k = 0; k < (m_pipelined ? kWindow : 1); ++k)
                sendNext(client);
        }
        const int total = int(m_clients.size()) * m_clients.front().toSend;
        waitUntil([&] { return m_answered >= total; }, 300000);
        const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
        const double cpuUs = cpuMicros(m_serverPid) - cpuBefore;
        for (const auto& connection : connections)
            QObject::disconnect(connection);

        std::sort(m_latenciesNs.begin(), m_latenciesNs.end());
        const auto percentile = [this](double p) {
            return m_latenciesNs.empty() ? 0.0 : double(m_latenciesNs[size_t(p * double(m_latenciesNs.size() - 1))]) / 1e6;
        };
        return { double(m_answered) / seconds, percentile(0.5), percentile(0.99), m_answered > 0 ? cpuUs / m_answered : 0 };
    }

private:
    void sendNext(Client& client)
    {
        if (client.sent >= client.toSend)
            return;
        const QString id = u"%1-%2-%3"_s.arg(m_tag).arg(client.account.userId).arg(client.sent++);
        const QJsonObject frame { { u"type"_s, u"message_send"_s },
            { u"payload"_s, QJsonObject { { u"clientMsgId"_s, id }, { u"conversationId"_s, client.account.conversationId },
                                { u"type"_s, u"text"_s }, { u"content"_s, u"load test message"_s } } } };
        client.sentAtNs.insert(id, m_clock.nsecsElapsed());
        client.socket->sendTextMessage(QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact)));
    }

    void onAnswer(Client& client, const QString& text)
    {
        const QJsonObject frame = QJsonDocument::fromJson(text.toUtf8()).object();
        const QString type = frame.value("type"_L1).toString();
        // The echo answers with the send itself, the server with its ack. A refused send
        // is answered too (timed all the same), so that the run still ends; it is shown.
        const bool refused = type == u"error";
        if (type != u"message_ack" && type != u"message_send" && !refused)
            return;
        if (refused)
            std::fprintf(stderr, "error frame: %s\n", qPrintable(text));
        const QString id = frame.value("payload"_L1).toObject().value("clientMsgId"_L1).toString();
        const auto sentAt = client.sentAtNs.find(id);
        if (sentAt == client.sentAtNs.end())
            return;
        m_latenciesNs.push_back(m_clock.nsecsElapsed() - *sentAt);
        client.sentAtNs.erase(sentAt);
        ++client.answered;
        ++m_answered;
        sendNext(client);
    }

    std::vector<Client>& m_clients;
    bool m_pipelined;
    QString m_tag;
    qint64 m_serverPid;
    QElapsedTimer m_clock;
    std::vector<qint64> m_latenciesNs;
    int m_answered = 0;
};

bool connectClients(std::vector<Client>& clients, const QUrl& url, bool authenticate)
{
    for (Client& client : clients) {
        client.socket = std::make_unique<QWebSocket>();
        client.socket->open(url);
    }
    if (!waitUntil([&] { return std::all_of(clients.begin(), clients.end(), [](const Client& c) { return c.socket->state() == QAbstractSocket::ConnectedState; }); }, 20000))
        return false;
    if (!authenticate)
        return true;
    int authenticated = 0;
    std::vector<QMetaObject::Connection> connections;
    for (Client& client : clients) {
        connections.push_back(QObject::connect(client.socket.get(), &QWebSocket::textMessageReceived, [&authenticated](const QString& text) {
            if (text.contains("auth_success"_L1))
                ++authenticated;
        }));
        const QJsonObject auth { { u"type"_s, u"auth"_s },
            { u"payload"_s, QJsonObject { { u"token"_s, client.account.token }, { u"userId"_s, client.account.userId } } } };
        client.socket->sendTextMessage(QString::fromUtf8(QJsonDocument(auth).toJson(QJsonDocument::Compact)));
    }
    const bool ok = waitUntil([&] { return authenticated == int(clients.size()); }, 20000);
    for (const auto& connection : connections)
        QObject::disconnect(connection);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    const EchoThread echo(false);
    const EchoThread groupEcho(true);

    // Every client comes from this one address.
    testsupport::ServerProcess server(testsupport::ServerProcess::Options { false, -1, { u"--max-connections-per-address"_s, u"1024"_s } });
    if (!server.start()) {
        std::fprintf(stderr, "cannot start morvane-server: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    // The senders and one recipient who stays offline, so that only the sends are measured.
    constexpr int kMaxClients = 50;
    QNetworkAccessManager nam;
    const QUrl base = server.baseUrl();
    const auto registerUser = [&](const QString& name) {
        const QJsonObject reply = call(nam, base.resolved(QUrl(u"/api/auth/register"_s)),
            { { u"username"_s, name }, { u"password"_s, u"secret123"_s } }).toObject();
        return Account { reply.value("app_session_id"_L1).toString(), reply.value("user"_L1).toObject().value("id"_L1).toInteger(), 0 };
    };
    const Account recipient = registerUser(u"loadsink"_s);
    std::vector<Account> accounts;
    for (int i = 0; i < kMaxClients; ++i) {
        Account account = registerUser(u"load%1"_s.arg(i));
        const QJsonValue created = call(nam, base.resolved(QUrl(u"/api/trpc/conversations.create"_s)),
            { { u"json"_s, QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { recipient.userId } } } } }, account.token);
        account.conversationId = created["result"_L1]["data"_L1]["json"_L1]["conversationId"_L1].toInteger();
        if (account.token.isEmpty() || account.conversationId == 0) {
            std::fprintf(stderr, "setting up user %d failed\n", i);
            return 1;
        }
        accounts.push_back(account);
    }

    // The group: the first of the ten makes friends with the nine others (a group's
    // members must be contacts) and creates it.
    constexpr int kGroupSize = 10;
    const auto procedure = [&](const QString& name, const QJsonObject& input, const QString& token) {
        const QUrl url = base.resolved(QUrl(u"/api/trpc/"_s + name));
        return call(nam, url, input.isEmpty() ? QJsonObject() : QJsonObject { { u"json"_s, input } }, token)["result"_L1]["data"_L1]["json"_L1];
    };
    QJsonArray groupMembers;
    for (int i = 1; i < kGroupSize; ++i) {
        procedure(u"contacts.sendFriendRequest"_s, { { u"toUserId"_s, accounts[i].userId } }, accounts[0].token);
        const qint64 request = procedure(u"contacts.getFriendRequests"_s, {}, accounts[i].token)[0]["id"_L1].toInteger();
        procedure(u"contacts.acceptFriendRequest"_s, { { u"requestId"_s, request } }, accounts[i].token);
        groupMembers.append(accounts[i].userId);
    }
    const qint64 group = procedure(u"conversations.create"_s,
        { { u"type"_s, u"group"_s }, { u"name"_s, u"load group"_s }, { u"memberIds"_s, groupMembers } }, accounts[0].token)["conversationId"_L1]
                             .toInteger();
    if (group == 0) {
        std::fprintf(stderr, "setting up the group failed\n");
        return 1;
    }

    // Every case runs kRounds times, echo and server in turn, and the table gives the median
    // of each figure: a machine shared with other work makes single runs wander.
    QHash<QString, QList<Figures>> runs;
    int runNumber = 0;
    const auto connected = [&](bool toServer, int count, bool inGroup) {
        std::vector<Client> clients(count);
        for (int i = 0; i < count; ++i) {
            clients[i].account = accounts[i];
            if (inGroup)
                clients[i].account.conversationId = group;
        }
        const quint16 echoPort = inGroup ? groupEcho.port() : echo.port();
        const QUrl url = toServer ? server.wsUrl() : QUrl(u"ws://127.0.0.1:%1"_s.arg(echoPort));
        if (!connectClients(clients, url, toServer))
            clients.clear();
        return clients;
    };
    const auto disconnect = [](std::vector<Client>& clients) {
        for (Client& client : clients)
            client.socket->close();
        waitUntil([] { return false; }, 200);
    };
    for (int round = 0; round < kRounds; ++round) {
        for (const bool toServer : { false, true }) {
            for (const int count : { 1, 10, 50 }) {
                std::vector<Client> clients = connected(toServer, count, false);
                if (clients.empty()) {
                    std::fprintf(stderr, "connecting %d clients failed\n", count);
                    return 1;
                }
                for (const Mode mode : { Mode::StopAndWait, Mode::Pipelined }) {
                    const bool pipelined = mode == Mode::Pipelined;
                    LoadRun run(clients, pipelined, pipelined ? kPipelinedPerClient : kStopAndWaitPerClient, u"r%1"_s.arg(++runNumber),
                        toServer ? server.processId() : 0);
                    runs[caseKey(toServer, count, mode)].append(run.run());
                }
                disconnect(clients);
            }
            std::vector<Client> members = connected(toServer, kGroupSize, true);
            if (members.empty()) {
                std::fprintf(stderr, "connecting the group failed\n");
                return 1;
            }
            LoadRun run(members, false, kStopAndWaitPerClient, u"r%1"_s.arg(++runNumber), toServer ? server.processId() : 0);
            runs[caseKey(toServer, kGroupSize, Mode::Group)].append(run.run());
            disconnect(members);
        }
    }

    std::printf("%-7s %7s %-14s %10s %9s %9s %12s   (median of %d runs)\n", "target", "clients", "mode", "msg/s", "p50 ms", "p99 ms",
        "server µs/msg", kRounds);
    QHash<QString, Figures> results;
    for (const bool toServer : { false, true }) {
        const auto show = [&](int count, Mode mode) {
            const QString key = caseKey(toServer, count, mode);
            const Figures figures = median(runs.value(key));
            results.insert(key, figures);
            std::printf("%-7s %7d %-14s %10.0f %9.3f %9.3f %12s\n", toServer ? "server" : "echo", count, modeName(mode), figures.perSecond,
                figures.p50Ms, figures.p99Ms, toServer ? qPrintable(QString::number(figures.cpuUsPerMessage, 'f', 1)) : "");
        };
        for (const int count : { 1, 10, 50 }) {
            show(count, Mode::StopAndWait);
            show(count, Mode::Pipelined);
        }
        show(kGroupSize, Mode::Group);
    }

    const double throughputRatio
        = results.value(caseKey(true, 50, Mode::Pipelined)).perSecond / results.value(caseKey(false, 50, Mode::Pipelined)).perSecond;
    const double latencyRatio
        = results.value(caseKey(true, 10, Mode::StopAndWait)).p50Ms / results.value(caseKey(false, 10, Mode::StopAndWait)).p50Ms;
    const double groupRatio
        = results.value(caseKey(true, kGroupSize, Mode::Group)).p99Ms / results.value(caseKey(false, kGroupSize, Mode::Group)).p99Ms;
    std::printf("throughput ratio server/echo (50 pipelined): %.2f\n", throughputRatio);
    std::printf("p50 latency ratio server/echo (10 clients): %.2f\n", latencyRatio);
    std::printf("group p99 latency ratio server/echo (10 clients): %.2f\n", groupRatio);
    std::printf("10 sequential HTTP/1.0 requests: %.1f ms in all\n", sequentialHttp10(server.port()));

    server.stop();
    return 0;
}
