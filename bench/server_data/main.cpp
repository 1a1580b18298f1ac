// Costs of morvane-server that must stay flat as a user's data grows.
//
// Two servers: a small one (a chat of 100 messages) and a large one (a chat of 50,000
// messages, a user with 500 conversations, and a chat of 100,000 messages waiting to be
// read). Their databases are filled through the server's own store while it runs.
// Prints, each the median of several runs:
//   - how long a live-channel ping waits while another user marks 100,000 messages
//     read, and while another user searches (the event loop must not be held);
//   - what conversations.create costs at the largest body the server accepts (a group's
//     and a private conversation's list of distinct ids, a list of three ids repeated),
//     and what the store's own check costs on lists of 300,000;
//   - the search time at 50,000 messages over that at 100 (keywords with matches and
//     without, of two characters and longer; the line gives the worst);
//   - conversations.list per row at 500 conversations, and contacts.list per row at 499 contacts;
//   - files: the worst ping wait while a 50 MB file is uploaded and while it is
//     downloaded, the server's resident memory during the upload, the processor time
//     its event loop spent per MB of each (the rest runs on other threads), and its
//     resident memory (and worst ping wait) while 20 clients have asked for the file
//     and read nothing;
//   - operator.getSessions for an operator with 20,000 ended sessions.
//
// Run from the build directory: bench/server_data/bench_server_data
// (MORVANE_SERVER_BINARY picks another server binary).

#include "ServerProcess.h"
#include "http/HttpFront.h"
#include "http/ServerError.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "store/TextIndex.h"
#include "store/UnreadCounts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 7;

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// One HTTP request written at once on its own connection, so that the moment it reaches
// the server is known; finished() when the whole answer is in.
class RawRequest {
public:
    // target is the method and path ("POST /api/auth/register"); a GET carries no body.
    RawRequest(quint16 port, const QByteArray& target, const QByteArray& body, const QString& token)
    {
        m_socket.connectToHost(u"127.0.0.1"_s, port);
        m_socket.waitForConnected(10000);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const bool get = target.startsWith("GET ");
        QByteArray request = target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
            + (token.isEmpty() ? QByteArray() : "Authorization: Bearer " + token.toUtf8() + "\r\n")
            + (get ? QByteArray("\r\n") : "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        m_clock.start();
        m_socket.write(request);
        m_socket.flush();
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
            m_answer += m_socket.readAll();
            if (m_elapsedMs < 0 && complete())
                m_elapsedMs = m_clock.nsecsElapsed() / 1e6;
        });
    }
    bool finished() const { return m_elapsedMs >= 0; }
    double elapsedMs() const { return m_elapsedMs; }
    QByteArray answer() const { return m_answer; }

private:
    // The head and as much body as its Content-Length says (read once the head is in).
    bool complete()
    {
        if (m_expected < 0) {
            const qsizetype headEnd = m_answer.indexOf("\r\n\r\n");
            if (headEnd < 0)
                return false;
            const QByteArray head = m_answer.left(headEnd).toLower();
            const qsizetype at = head.indexOf("content-length:");
            if (at < 0)
                return false;
            const qsizetype lineEnd = head.indexOf("\r\n", at);
            m_expected = headEnd + 4 + head.mid(at + 15, lineEnd < 0 ? -1 : lineEnd - at - 15).trimmed().toLongLong();
        }
        return m_answer.size() >= m_expected;
    }

    QTcpSocket m_socket;
    QElapsedTimer m_clock;
    QByteArray m_answer;
    double m_elapsedMs = -1;
    qsizetype m_expected = -1;
};

// The queries go as GET, with the envelope as their "input".
QByteArray procedureTarget(const QString& procedure, const QByteArray& envelope)
{
    if (procedure == u"search.global" || procedure == u"conversations.list" || procedure == u"contacts.list" || procedure == u"operator.getSessions")
        return "GET /api/trpc/" + procedure.toUtf8() + "?input=" + QUrl::toPercentEncoding(QString::fromUtf8(envelope));
    return "POST /api/trpc/" + procedure.toUtf8();
}

QByteArray envelope(const QJsonObject& input)
{
    return QJsonDocument(QJsonObject { { u"json"_s, input } }).toJson(QJsonDocument::Compact);
}

// A running server, the accounts registered on it, and a connection to its database.
class Site {
public:
    bool start()
    {
        if (!m_server.start())
            return false;
        m_db = std::make_unique<Database>(QDir(m_server.dataDir()).filePath(u"morvane.sqlite3"_s));
        return true;
    }

    // Registers through the server, so that the account can sign in; returns its token.
    QString registerUser(const QString& name, qint64* id)
    {
        const QByteArray body = QJsonDocument(QJsonObject { { u"username"_s, name }, { u"password"_s, u"secret123"_s } }).toJson(QJsonDocument::Compact);
        RawRequest request(m_server.port(), "POST /api/auth/register", body, QString());
        waitUntil([&] { return request.finished(); });
        const QByteArray answer = request.answer();
        const QJsonObject reply2 = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
        *id = reply2.value("user"_L1).toObject().value("id"_L1).toInteger();
        return reply2.value("app_session_id"_L1).toString();
    }

    qint64 addUser(const QString& name)
    {
        return m_db->insert(u"INSERT INTO users (username, name, password_hash, password_salt, password_iterations, created_at,"
                            " updated_at) VALUES (?, ?, x'00', x'00', 1, '2026-01-01T00:00:00Z', '2026-01-01T00:00:00Z')"_s,
            { name, name });
    }

    qint64 addPrivate(qint64 a, qint64 b)
    {
        const qint64 id = m_db->insert(u"INSERT INTO conversations (type, creator_id, private_key, created_at, updated_at)"
                                       " VALUES ('private', ?, ?, '2026-01-01T00:00:00Z', '2026-01-01T00:00:00Z')"_s,
            { a, u"%1:%2"_s.arg(qMin(a, b)).arg(qMax(a, b)) });
        for (const qint64 member : { a, b })
            m_db->insert(u"INSERT INTO conversation_members (conversation_id, user_id, joined_at) VALUES (?, ?, '2026-01-01T00:00:00Z')"_s,
                { id, member });
        return id;
    }

    // count messages alternating between the two senders; every 50th carries the word
    // searched for.
    void addMessages(qint64 conversation, qint64 a, qint64 b, int count)
    {
        static int serial = 0;
        Database::Transaction transaction(*m_db);
        for (int i = 0; i < count; ++i) {
            const QString text = i % 50 == 0 ? u"周末去爬山吗 shall we go hiking on Saturday %1"_s.arg(i)
                                             : u"平常的消息 an ordinary message about nothing much %1"_s.arg(i);
            m_db->insert(u"INSERT INTO messages (conversation_id, sender_id, type, content, status, server_msg_id, created_at)"
                         " VALUES (?, ?, 'text', ?, 'sent', ?, '2026-01-02T00:00:00Z')"_s,
                { conversation, i % 2 ? a : b, text, u"bench-%1"_s.arg(++serial) });
        }
        transaction.commit();
    }

    // What the server's indexer and writer would take in a moment later, taken in now:
    // the searches are measured through the index, the lists through the kept counts.
    void takeInMessages()
    {
        TextIndex index(*m_db);
        while (index.catchUp()) {
        }
        UnreadCounts(*m_db).countNew();
    }

    Database& db() { return *m_db; }
    quint16 port() const { return m_server.port(); }
    qint64 processId() const { return m_server.processId(); }
    QUrl wsUrl() const { return m_server.wsUrl(); }

private:
    testsupport::ServerProcess m_server;
    std::unique_ptr<Database> m_db;
};

// A signed-in live channel that answers pings.
class Pinger {
public:
    bool open(const QUrl& url, const QString& token, qint64 userId)
    {
        bool ready = false;
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this, &ready](const QString& text) {
            if (text.contains("auth_success"_L1))
                ready = true;
            if (text.contains("\"pong\""_L1))
                m_pongMs = m_clock.nsecsElapsed() / 1e6;
        });
        m_socket.open(url);
        if (!waitUntil([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000))
            return false;
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(QJsonObject {
            { u"type"_s, u"auth"_s }, { u"payload"_s, QJsonObject { { u"token"_s, token }, { u"userId"_s, userId } } } })
                                                       .toJson(QJsonDocument::Compact)));
        return waitUntil([&ready] { return ready; }, 10000);
    }
    void ping()
    {
        m_pongMs = -1;
        m_clock.start();
        m_socket.sendTextMessage(u"{\"type\":\"ping\",\"payload\":{}}"_s);
        m_socket.flush();
    }
    bool answered() const { return m_pongMs >= 0; }
    double waitedMs() const { return m_pongMs; }

private:
    QWebSocket m_socket;
    QElapsedTimer m_clock;
    double m_pongMs = -1;
};

// How long a ping waits while the request runs; the request's own time in *requestMs.
double pingDuring(Site& site, Pinger& pinger, const QString& procedure, const QByteArray& body, const QString& token, double* requestMs)
{
    RawRequest request(site.port(), procedureTarget(procedure, body), body, token);
    pinger.ping();
    waitUntil([&] { return request.finished() && pinger.answered(); });
    // A refusal (400) is an answer too: the largest create is refused for its size.
    if (!request.answer().contains(" 200 ") && !request.answer().contains(" 400 "))
        std::fprintf(stderr, "%s answered: %s\n", qPrintable(procedure), request.answer().left(300).constData());
    if (requestMs)
        *requestMs = request.elapsedMs();
    return pinger.waitedMs();
}

double timed(Site& site, const QString& procedure, const QJsonObject& input, const QString& token, QByteArray* answer = nullptr)
{
    RawRequest request(site.port(), procedureTarget(procedure, envelope(input)), envelope(input), token);
    waitUntil([&] { return request.finished(); });
    if (answer)
        *answer = request.answer();
    return request.elapsedMs();
}

// Resident memory of a process in KiB (VmRSS), from /proc.
qint64 residentKiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Milliseconds of processor time the server's main thread (its event loop) has used.
double loopBusyMs(qint64 pid)
{
    QFile schedstat(u"/proc/%1/task/%1/schedstat"_s.arg(pid));
    if (!schedstat.open(QIODevice::ReadOnly))
        return -1;
    return schedstat.readAll().split(' ').value(0).toLongLong() / 1e6;
}

// Pings one after another until done() holds; the longest wait for a pong. With
// peakKiB, the largest resident size of process pid seen meanwhile.
double worstPingUntil(Pinger& pinger, const std::function<bool()>& done, qint64 pid = 0, qint64* peakKiB = nullptr)
{
    double worst = 0;
    do {
        pinger.ping();
        waitUntil([&] { return pinger.answered(); });
        worst = std::max(worst, pinger.waitedMs());
        if (peakKiB)
            *peakKiB = std::max(*peakKiB, residentKiB(pid));
    } while (!done());
    return worst;
}

// The 50 MB file up and down, and twenty readers that stall, on the small site.
void measureTransfers(Site& site, Pinger& pinger, const QString& token)
{
    QByteArray file(50 << 20, '\0');
    for (qsizetype i = 0; i < file.size(); i += 512)
        file[i] = char(i / 512);
    QByteArray answer;
    timed(site, u"upload.getPresignedUrl"_s,
        { { u"fileName"_s, u"big.bin"_s }, { u"fileType"_s, u"application/octet-stream"_s }, { u"fileSize"_s, file.size() } }, token, &answer);
    const QString key = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4))["result"_L1]["data"_L1]["json"_L1]["fileKey"_L1].toString();
    const QByteArray body = "{\"json\":{\"fileKey\":\"" + key.toUtf8() + "\",\"contentType\":\"application/octet-stream\",\"fileBuffer\":\""
        + file.toBase64() + "\"}}";
    file.clear();
    const qint64 restingKiB = residentKiB(site.processId());
    qint64 uploadPeakKiB = restingKiB;
    const double busyBeforeUpload = loopBusyMs(site.processId());
    RawRequest upload(site.port(), "POST /api/trpc/upload.complete", body, token);
    const double uploadPing = worstPingUntil(pinger, [&] { return upload.finished(); }, site.processId(), &uploadPeakKiB);
    const double uploadBusy = loopBusyMs(site.processId()) - busyBeforeUpload;
    if (!upload.answer().contains(" 200 "))
        std::fprintf(stderr, "upload.complete answered: %s\n", upload.answer().left(300).constData());

    const double busyBeforeDownload = loopBusyMs(site.processId());
    RawRequest download(site.port(), "GET /uploads/" + key.toUtf8(), {}, QString());
    const double downloadPing = worstPingUntil(pinger, [&] { return download.finished(); });
    const double downloadBusy = loopBusyMs(site.processId()) - busyBeforeDownload;
    if (download.answer().size() < (50 << 20))
        std::fprintf(stderr, "the download brought %lld bytes\n", qlonglong(download.answer().size()));

    const qint64 before = residentKiB(site.processId());
    std::vector<std::unique_ptr<QTcpSocket>> readers;
    for (int i = 0; i < 20; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        // Takes 64 KiB from the kernel and no more: the server's sending stalls.
        socket->setReadBufferSize(64 << 10);
        socket->connectToHost(u"127.0.0.1"_s, site.port());
        socket->waitForConnected(10000);
        socket->write("GET /uploads/" + key.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        socket->flush();
        readers.push_back(std::move(socket));
    }
    // As long as the server takes to fill what the readers' connections hold.
    QElapsedTimer stalled;
    stalled.start();
    const double stalledPing = worstPingUntil(pinger, [&] { return stalled.elapsed() > 3000; });
    const qint64 after = residentKiB(site.processId());
    readers.clear();

    std::printf("ping wait during a 50 MB upload: %.2f ms (worst)\n", uploadPing);
    std::printf("ping wait during a 50 MB download: %.2f ms (worst)\n", downloadPing);
    std::printf("resident memory during a 50 MB upload: +%.1f MB (%.1f MB at most)\n", double(uploadPeakKiB - restingKiB) / 1024,
        double(uploadPeakKiB) / 1024);
    // The pings' own handling is in these too: a few hundred small frames.
    std::printf("event loop busy per MB uploaded: %.2f ms (%.0f ms for 50 MB)\n", uploadBusy / 50, uploadBusy);
    std::printf("event loop busy per MB downloaded: %.2f ms (%.0f ms for 50 MB)\n", downloadBusy / 50, downloadBusy);
    std::printf("resident memory with 20 stalled readers of a 50 MB file: +%.1f MB (%.1f MB in all), ping wait %.2f ms (worst)\n",
        double(after - before) / 1024, double(after) / 1024, stalledPing);
}

// operator.getSessions for an operator whose 20,000 sessions have ended.
void measureOperatorSessions(Site& site, Pinger& pinger)
{
    qint64 operatorId = 0, customerId = 0;
    const QString token = site.registerUser(u"operator"_s, &operatorId);
    site.registerUser(u"customer"_s, &customerId);
    site.db().exec(u"UPDATE users SET role = 'operator' WHERE id = ?"_s, { operatorId });
    {
        Database::Transaction transaction(site.db());
        for (int i = 0; i < 20000; ++i)
            site.db().insert(u"INSERT INTO service_sessions (customer_id, operator_id, status, last_message, created_at, accepted_at,"
                             " ended_at, last_message_at) VALUES (?, ?, 'ended', 'thank you, that helped', '2026-01-01T00:00:00Z',"
                             " '2026-01-01T00:00:01Z', '2026-01-01T00:10:00Z', '2026-01-01T00:09:00Z')"_s,
                { customerId, operatorId });
        transaction.commit();
    }
    QList<double> ms, ping;
    qsizetype bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        QByteArray answer;
        ms << timed(site, u"operator.getSessions"_s, {}, token, &answer);
        bytes = answer.size();
        double requestMs = 0;
        ping << pingDuring(site, pinger, u"operator.getSessions"_s, envelope({}), token, &requestMs);
    }
    std::printf("operator.getSessions at 20000 ended sessions: %.2f ms, %lld bytes (ping wait %.2f ms)\n", median(ms), qlonglong(bytes),
        median(ping));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Site small;
    Site large;
    if (!small.start() || !large.start()) {
        std::fprintf(stderr, "cannot start morvane-server\n");
        return 1;
    }

    // The searchers, one per site, each with a chat of their own size.
    qint64 smallUser = 0, largeUser = 0, reader = 0, pingerId = 0;
    const QString smallToken = small.registerUser(u"searcher"_s, &smallUser);
    const QString largeToken = large.registerUser(u"searcher"_s, &largeUser);
    const QString readerToken = large.registerUser(u"reader"_s, &reader);
    const QString pingerToken = large.registerUser(u"pinger"_s, &pingerId);
    if (smallToken.isEmpty() || largeToken.isEmpty() || readerToken.isEmpty() || pingerToken.isEmpty()) {
        std::fprintf(stderr, "registering failed\n");
        return 1;
    }
    std::fprintf(stderr, "filling the databases...\n");
    // The 100,000 first, so that the searcher's own messages are the newest.
    const qint64 writer = large.addUser(u"writer"_s);
    const qint64 longChat = large.addPrivate(reader, writer);
    large.addMessages(longChat, writer, writer, 100000);
    const qint64 smallPeer = small.addUser(u"peer"_s);
    small.addMessages(small.addPrivate(smallUser, smallPeer), smallUser, smallPeer, 100);
    const qint64 largePeer = large.addUser(u"peer"_s);
    large.addMessages(large.addPrivate(largeUser, largePeer), largeUser, largePeer, 50000);
    {
        Database::Transaction transaction(large.db());
        for (int i = 1; i < 500; ++i) {
            const qint64 peer = large.addUser(u"friend%1"_s.arg(i));
            const qint64 chat = large.addPrivate(largeUser, peer);
            large.db().insert(u"INSERT INTO contacts (user_id, contact_id, created_at) VALUES (?, ?, '2026-01-02T00:00:00Z')"_s,
                { largeUser, peer });
            large.db().insert(u"INSERT INTO messages (conversation_id, sender_id, type, content, status, server_msg_id, created_at)"
                              " VALUES (?, ?, 'text', 'hello there', 'sent', ?, '2026-01-03T00:00:00Z')"_s,
                { chat, peer, u"friend-%1"_s.arg(i) });
        }
        transaction.commit();
    }

    small.takeInMessages();
    large.takeInMessages();

    Pinger pinger;
    if (!pinger.open(large.wsUrl(), pingerToken, pingerId)) {
        std::fprintf(stderr, "the live channel did not open\n");
        return 1;
    }

    // Pings during markAsRead of 100,000 messages (put back to unread before each run)
    // and during a global search of the 50,000-message user.
    QList<double> markPing, markMs, searchPing, searchMs;
    for (int run = 0; run < kRuns; ++run) {
        large.db().exec(u"UPDATE conversation_members SET last_read_id = 0, read_receipt_id = 0 WHERE conversation_id = ?"_s, { longChat });
        double ms = 0;
        markPing << pingDuring(large, pinger, u"conversations.markAsRead"_s, envelope({ { u"conversationId"_s, longChat } }), readerToken, &ms);
        markMs << ms;
        searchPing << pingDuring(large, pinger, u"search.global"_s,
            envelope({ { u"keyword"_s, u"hiking on"_s }, { u"limit"_s, 50 } }), largeToken, &ms);
        searchMs << ms;
    }

    // conversations.create with as many member ids as the largest body holds: distinct
    // ids for a group and for a private conversation, and three ids over and over. Each
    // is refused for its size before its ids are decoded or compared (comparing them
    // pair by pair took seconds).
    const auto largestCreate = [](const char* type, bool repeated, int* count) {
        const QByteArray head = QByteArray(R"({"json":{"type":")") + type + R"(","name":"crowd","memberIds":[)";
        QByteArray list;
        int n = 0;
        while (head.size() + list.size() + 16 < HttpFront::kMaxBody) {
            list += QByteArray::number(1000000 + (repeated ? n % 3 : n)) + ',';
            ++n;
        }
        list.chop(1);
        *count = n;
        return head + list + "]}}";
    };
    int ids = 0, privateIds = 0, repeatedIds = 0;
    const QByteArray createBody = largestCreate("group", false, &ids);
    const QByteArray privateBody = largestCreate("private", false, &privateIds);
    const QByteArray repeatedBody = largestCreate("group", true, &repeatedIds);
    QList<double> createPing, createMs, privateMs, repeatedMs;
    for (int run = 0; run < kRuns; ++run) {
        double ms = 0;
        createPing << pingDuring(large, pinger, u"conversations.create"_s, createBody, largeToken, &ms);
        createMs << ms;
        pingDuring(large, pinger, u"conversations.create"_s, privateBody, largeToken, &ms);
        privateMs << ms;
        pingDuring(large, pinger, u"conversations.create"_s, repeatedBody, largeToken, &ms);
        repeatedMs << ms;
    }

    // The store's own check, for lists no body could carry: held to the group limit
    // before duplicates are looked for.
    QList<double> storeDistinctMs, storeRepeatedMs;
    {
        Conversations conversations(large.db());
        QList<qint64> distinct, repeated;
        for (int i = 0; i < 300000; ++i) {
            distinct << 1000000 + i;
            repeated << 1000000 + i % 3;
        }
        const auto refused = [&](const QList<qint64>& members) {
            QElapsedTimer clock;
            clock.start();
            try {
                conversations.createGroup(largeUser, u"crowd"_s, members);
                std::fprintf(stderr, "a group of %lld members was made\n", qlonglong(members.size()));
            } catch (const ServerError&) {
            }
            return clock.nsecsElapsed() / 1e6;
        };
        for (int run = 0; run < kRuns; ++run) {
            storeDistinctMs << refused(distinct);
            storeRepeatedMs << refused(repeated);
        }
    }

    // Search: 50,000 against 100 messages, with and without matches.
    double worstRatio = 0;
    for (const QString& keyword : { u"hiking on"_s, u"no such words"_s, u"周末"_s, u"zq"_s }) {
        QList<double> smallMs, largeMs;
        for (int run = 0; run < kRuns * 3; ++run) {
            const QJsonObject input { { u"keyword"_s, keyword }, { u"limit"_s, 20 } };
            smallMs << timed(small, u"search.global"_s, input, smallToken);
            largeMs << timed(large, u"search.global"_s, input, largeToken);
        }
        const double ratio = median(largeMs) / median(smallMs);
        worstRatio = std::max(worstRatio, ratio);
        std::printf("search \"%s\": %.2f ms at 100 messages, %.2f ms at 50000 (ratio %.2f)\n", qPrintable(keyword), median(smallMs),
            median(largeMs), ratio);
    }

    // conversations.list at 500 conversations, and at one (what a request costs anyway).
    QList<double> listMs, oneMs;
    int rows = 0;
    for (int run = 0; run < kRuns * 3; ++run) {
        QByteArray answer;
        listMs << timed(large, u"conversations.list"_s, {}, largeToken, &answer);
        rows = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4))["result"_L1]["data"_L1]["json"_L1].toArray().size();
        oneMs << timed(small, u"conversations.list"_s, {}, smallToken);
    }
    std::printf("conversations.list: %.2f ms for %d rows, %.2f ms for 1\n", median(listMs), rows, median(oneMs));

    // contacts.list of the same user: a contact for each of those conversations.
    QList<double> contactMs;
    int contacts = 0;
    for (int run = 0; run < kRuns * 3; ++run) {
        QByteArray answer;
        contactMs << timed(large, u"contacts.list"_s, {}, largeToken, &answer);
        contacts = QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4))["result"_L1]["data"_L1]["json"_L1].toArray().size();
    }

    std::printf("markAsRead of 100000 messages: %.2f ms\n", median(markMs));
    std::printf("global search at 50000 messages: %.2f ms\n", median(searchMs));
    std::printf("conversations.create with %d member ids (%lld bytes): %.2f ms\n", ids, qlonglong(createBody.size()), median(createMs));
    std::printf("ping wait during markAsRead at 100000 messages: %.2f ms\n", median(markPing));
    std::printf("ping wait during global search at 50000 messages: %.2f ms\n", median(searchPing));
    std::printf("conversations.create at the largest body: %.2f ms (ping wait %.2f ms)\n", median(createMs), median(createPing));
    std::printf("conversations.create (private) at the largest body, %d member ids: %.2f ms\n", privateIds, median(privateMs));
    std::printf("conversations.create at the largest body of 3 ids repeated (%d in all): %.2f ms\n", repeatedIds, median(repeatedMs));
    std::printf("store refusing a group of 300000 member ids: %.2f ms, of 3 ids 100000 times each: %.2f ms\n", median(storeDistinctMs),
        median(storeRepeatedMs));
    std::printf("search ratio 50000/100 messages: %.2f\n", worstRatio);
    std::printf("conversations.list microseconds per row at %d: %.1f\n", rows, median(listMs) * 1000 / std::max(rows, 1));
    std::printf("contacts.list microseconds per row at %d: %.1f\n", contacts, median(contactMs) * 1000 / std::max(contacts, 1));

    qint64 smallPingerId = 0;
    const QString smallPingerToken = small.registerUser(u"pinger"_s, &smallPingerId);
    Pinger smallPinger;
    if (!smallPinger.open(small.wsUrl(), smallPingerToken, smallPingerId)) {
        std::fprintf(stderr, "the live channel did not open\n");
        return 1;
    }
    measureTransfers(small, smallPinger, smallToken);
    measureOperatorSessions(small, smallPinger);
    return 0;
}
