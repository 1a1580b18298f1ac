// End to end: what reaches morvane-server before anybody signs in. Oversized heads,
// addresses and bodies and other web origins are refused without holding the bytes,
// and slow or idle connections are closed.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QCoreApplication>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QMap>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// Reads until the peer has sent a whole answer head or closed.
QByteArray answerHead(QTcpSocket& socket)
{
    QByteArray answer;
    while (!answer.contains("\r\n\r\n") && socket.state() == QAbstractSocket::ConnectedState) {
        if (!socket.waitForReadyRead(testsupport::kPatienceMs))
            break;
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

// The status line an answer of this status starts with, its reason phrase the standard one.
QByteArray statusLine(int status)
{
    static const QHash<int, QByteArray> reasons { { 101, "Switching Protocols" }, { 200, "OK" }, { 400, "Bad Request" },
        { 401, "Unauthorized" }, { 403, "Forbidden" }, { 404, "Not Found" }, { 405, "Method Not Allowed" }, { 409, "Conflict" },
        { 413, "Content Too Large" }, { 414, "URI Too Long" }, { 429, "Too Many Requests" }, { 431, "Request Header Fields Too Large" } };
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasons.value(status) + "\r\n";
}

// The statuses of the whole answers in a stream of them, in order.
QList<int> statusesOf(const QByteArray& answers)
{
    QList<int> statuses;
    qsizetype at = 0;
    while (answers.mid(at, 9) == "HTTP/1.1 ") {
        const qsizetype headEnd = answers.indexOf("\r\n\r\n", at);
        if (headEnd < 0)
            break;
        const QByteArray head = answers.mid(at, headEnd - at).toLower();
        const qsizetype length = head.indexOf("\r\ncontent-length: ");
        if (length < 0)
            break;
        const qsizetype bodySize = head.mid(length + 18).split('\r').value(0).toLongLong();
        if (headEnd + 4 + bodySize > answers.size())
            break;
        statuses.append(answers.mid(at + 9, 3).toInt());
        at = headEnd + 4 + bodySize;
    }
    return statuses;
}

// Reads until `count` whole answers came or the peer closed.
QByteArray answers(QTcpSocket& socket, int count)
{
    QByteArray received;
    while (statusesOf(received).size() < count && socket.state() == QAbstractSocket::ConnectedState) {
        if (!socket.waitForReadyRead(testsupport::kPatienceMs))
            break;
        received += socket.readAll();
    }
    return received + socket.readAll();
}

// Sends everything, waiting as the connection takes it, until the peer closes.
void sendAll(QTcpSocket& socket, const QByteArray& bytes)
{
    for (qsizetype at = 0; at < bytes.size() && socket.state() == QAbstractSocket::ConnectedState; at += 1 << 20) {
        socket.write(bytes.mid(at, 1 << 20));
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) { }
    }
}

QString octal(QFileDevice::Permissions permissions)
{
    int mode = 0;
    const std::pair<QFileDevice::Permission, int> bits[] = { { QFileDevice::ReadOwner, 0400 }, { QFileDevice::WriteOwner, 0200 },
        { QFileDevice::ExeOwner, 0100 }, { QFileDevice::ReadGroup, 040 }, { QFileDevice::WriteGroup, 020 }, { QFileDevice::ExeGroup, 010 },
        { QFileDevice::ReadOther, 04 }, { QFileDevice::WriteOther, 02 }, { QFileDevice::ExeOther, 01 } };
    for (const auto& [permission, bit] : bits) {
        if (permissions & permission)
            mode |= bit;
    }
    return QString::number(mode, 8);
}

qint64 residentKiB(qint64 pid)
{
    return processMemoryKiB(pid, "VmRSS:");
}

qint64 peakKiB(qint64 pid)
{
    return processMemoryKiB(pid, "VmHWM:");
}

// Clock ticks of processor time the process has used (user and system), all its
// threads together (those that ended included), or one thread's.
qint64 cpuTicks(qint64 pid, qint64 thread = 0)
{
    QFile stat(thread ? u"/proc/%1/task/%2/stat"_s.arg(pid).arg(thread) : u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

int openDescriptors(qint64 pid)
{
    return int(QDir(u"/proc/%1/fd"_s.arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// The lowest descriptor number the process does not use: with its limit there, it can
// open nothing more (a new descriptor takes the lowest free number under the limit).
int firstFreeDescriptor(qint64 pid)
{
    QSet<int> used;
    for (const QString& name : QDir(u"/proc/%1/fd"_s.arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        used.insert(name.toInt());
    int free = 0;
    while (used.contains(free))
        ++free;
    return free;
}

// A process's descriptor limit, read when made: only its soft limit comes down, so that
// the test may raise it again.
class DescriptorLimit {
public:
    explicit DescriptorLimit(qint64 pid)
        : m_pid(pid_t(pid))
        , m_read(prlimit(m_pid, RLIMIT_NOFILE, nullptr, &m_original) == 0)
    {
    }
    bool lowerTo(int soft)
    {
        const rlimit lowered { rlim_t(soft), m_original.rlim_max };
        return m_read && prlimit(m_pid, RLIMIT_NOFILE, &lowered, nullptr) == 0;
    }
    // The original limit back; empty, or why it could not be.
    QString restore()
    {
        return prlimit(m_pid, RLIMIT_NOFILE, &m_original, nullptr) == 0 ? QString() : QString::fromLocal8Bit(strerror(errno));
    }

private:
    pid_t m_pid;
    rlimit m_original {};
    bool m_read;
};

// Shows the end of the server's log when the test function fails (its answer alone may
// not say that the server ended, or why).
auto logOnFailure(ServerProcess& server)
{
    return qScopeGuard([&server] {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "the server's log:" << server.serverLog().right(3000);
    });
}

bool closesWithin(QTcpSocket& socket, int ms)
{
    if (socket.state() == QAbstractSocket::UnconnectedState)
        return true;
    return socket.waitForDisconnected(ms);
}

} // namespace

class TestServerGuard : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    ServerProcess m_impatient { ServerProcess::Options { false, -1, { u"--head-timeout"_s, u"0.5"_s, u"--idle-timeout"_s, u"3600"_s } } };
    std::unique_ptr<ApiClient> m_alice;

    QByteArray originOf(const char* host) const { return "http://" + QByteArray(host) + ':' + QByteArray::number(m_server.port()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY2(m_impatient.start(), qPrintable(m_impatient.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(u"alice"_s);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const QByteArray me = "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        const QByteArray pad = "X-Pad: " + QByteArray(20 << 10, 'p') + "\r\n";
        const QByteArray upgrade = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                   "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
        QTest::newRow("head over 16 KiB") << me + pad + "\r\n" << 431;
        QTest::newRow("head over 16 KiB before a declared body")
            << "POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 31457280\r\n" + pad + "\r\n" << 431;
        // The bounds are whole heads and addresses, their own ends included.
        const auto headOf = [&me](qsizetype size) { return me + "X-Pad: " + QByteArray(size - me.size() - 11, 'p') + "\r\n\r\n"; };
        QTest::newRow("head of 16 KiB") << headOf(16 << 10) << 401;
        QTest::newRow("head a byte over 16 KiB") << headOf((16 << 10) + 1) << 431;
        const auto addressOf = [](qsizetype size) { return "GET /api/auth/me?x=" + QByteArray(size - 15, 'u') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"; };
        QTest::newRow("address of 8 KiB") << addressOf(8 << 10) << 401;
        QTest::newRow("address a byte over 8 KiB") << addressOf((8 << 10) + 1) << 414;
        QTest::newRow("address over 8 KiB") << "GET /api/auth/me?x=" + QByteArray(9 << 10, 'u') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" << 414;
        QTest::newRow("address just under 8 KiB") << "GET /api/auth/me?x=" + QByteArray(8000, 'u') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" << 401;
        QTest::newRow("another web origin") << me + "Origin: http://evil.example\r\n\r\n" << 403;
        QTest::newRow("another port of this host") << me + "Origin: http://127.0.0.1:1\r\n\r\n" << 403;
        QTest::newRow("opaque origin") << me + "Origin: null\r\n\r\n" << 403;
        QTest::newRow("another origin upgrading") << upgrade + "Origin: https://evil.example\r\n\r\n" << 403;
        QTest::newRow("no origin") << me + "\r\n" << 401;
        QTest::newRow("own origin, by address") << me + "Origin: " + originOf("127.0.0.1") + "\r\n\r\n" << 401;
        QTest::newRow("own origin, by name") << me + "Origin: " + originOf("LocalHost") + "\r\n\r\n" << 401;
        QTest::newRow("own origin upgrading") << upgrade + "Origin: " + originOf("localhost") + "\r\n\r\n" << 101;
    }
    void refusals()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write(request);
        const QByteArray answer = answerHead(socket);
        QVERIFY2(answer.startsWith(statusLine(status)), answer.left(200).constData());
        if (status >= 403) {
            QVERIFY(answer.contains("\"error\""));
            QVERIFY2(closesWithin(socket, testsupport::kPatienceMs), "a refused connection stays open");
        }
        QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
    }

    // Every answer's status line carries the status's own reason phrase.
    void statusLines_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const auto post = [](const QByteArray& path, const QByteArray& body) {
            return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        };
        QTest::newRow("signed in") << post("/api/auth/login", R"({"username":"alice","password":"secret123"})") << 200;
        QTest::newRow("unknown name") << post("/api/auth/login", R"({"username":"nobody-here","password":"secret123"})") << 400;
        QTest::newRow("address nobody serves") << QByteArray("GET /nowhere HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << 404;
        QTest::newRow("a change asked with GET") << QByteArray("GET /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << 405;
        QTest::newRow("name taken") << post("/api/auth/register", R"({"username":"alice","password":"secret123"})") << 409;
        QTest::newRow("body over its bound")
            << QByteArray("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2097152\r\n\r\n{") << 413;
    }
    void statusLines()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write(request);
        const QByteArray answer = answerHead(socket);
        QVERIFY2(answer.startsWith(statusLine(status)), answer.left(200).constData());
    }

    // The refused bytes are dropped as they arrive, never collected.
    void refusedBytesAreNotHeld_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("30 MB body behind a 20 KiB head")
            << "POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 31457280\r\nX-Pad: "
               + QByteArray(20 << 10, 'p') + "\r\n\r\n";
        QTest::newRow("30 MB address") << QByteArray("GET /api/auth/me?x=");
    }
    void refusedBytesAreNotHeld()
    {
#ifdef __SANITIZE_ADDRESS__
        // Every piece read and dropped stays resident in the sanitizer's quarantine: on a
        // busy machine the server reads more of the flood before it closes, and that
        // shows here as growth although nothing is held.
        QSKIP("The address sanitizer keeps freed memory in quarantine, so resident sizes say nothing here");
#endif
        QFETCH(QByteArray, head);
        const qint64 before = residentKiB(m_server.processId());
        QVERIFY(before > 0);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write(head);
        const QByteArray chunk(1 << 20, 'b');
        for (int i = 0; i < 30 && socket.state() == QAbstractSocket::ConnectedState; ++i) {
            socket.write(chunk);
            while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) { }
        }
        closesWithin(socket, 2000);
        const qint64 after = residentKiB(m_server.processId());
        // A held copy of the 30 MB would show; a few MiB of noise would not.
        QVERIFY2(after - before < 8 * 1024, qPrintable(u"resident memory grew by %1 KiB"_s.arg(after - before)));
        QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
    }

    // The refused request's answer comes at once and its connection ends, whatever
    // the client goes on sending; resident memory stays where it was.
    void refusedBodiesCostNothing_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("repeats");
        QTest::addColumn<int>("status");
        QTest::newRow("300 MB declared") << QByteArray("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 314572800\r\n\r\n")
                                         << 1 << 413;
        QTest::newRow("60 MB uploads without a token")
            << QByteArray("POST /api/trpc/upload.complete HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 62914560\r\n\r\n") << 6 << 401;
        QTest::newRow("60 MB uploads with a forged token")
            << QByteArray("POST /api/trpc/upload.complete HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer forged\r\n"
                          "Content-Length: 62914560\r\n\r\n")
            << 2 << 401;
    }
    void refusedBodiesCostNothing()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("The address sanitizer keeps freed memory in quarantine, so resident sizes say nothing here");
#endif
        QFETCH(QByteArray, head);
        QFETCH(int, repeats);
        QFETCH(int, status);
        const qint64 before = residentKiB(m_server.processId());
        QVERIFY(before > 0);
        const QByteArray chunk(1 << 20, '"');
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int r = 0; r < repeats; ++r) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(u"127.0.0.1"_s, m_server.port());
            QVERIFY(socket->waitForConnected(testsupport::kPatienceMs));
            socket->write(head);
            // As much of the body as the connection takes before it ends.
            for (int i = 0; i < 60 && socket->state() == QAbstractSocket::ConnectedState; ++i) {
                socket->write(chunk);
                while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(1000)) { }
            }
            QVERIFY2(closesWithin(*socket, testsupport::kPatienceMs), "a refused connection stays open");
            const QByteArray answer = socket->readAll();
            QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status)), answer.left(200).constData());
            sockets.push_back(std::move(socket));
        }
        const qint64 after = residentKiB(m_server.processId());
        QVERIFY2(after - before < 8 * 1024, qPrintable(u"resident memory grew by %1 KiB"_s.arg(after - before)));
        QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
    }

    // After a refusal the server reads a few MiB more and drops them, so that its answer
    // is not lost to a reset; a client that goes on sending past that is cut off, long
    // before it could send the body it declared. The client here writes on after the
    // server's end of stream, which a QTcpSocket would take for the close.
    void sendingOnAfterARefusalIsCut()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        // Bounded, should the server never cut.
        const timeval patience { testsupport::kPatienceMs / 1000, 0 };
        QCOMPARE(::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience), 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(m_server.port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const QByteArray head("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 314572800\r\n\r\n");
        QCOMPARE(::send(fd, head.constData(), size_t(head.size()), MSG_NOSIGNAL), ssize_t(head.size()));
        constexpr qint64 kDeclared = 300LL << 20;
        const QByteArray chunk(1 << 20, 'x');
        qint64 sent = 0;
        while (sent < kDeclared) {
            const ssize_t written = ::send(fd, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
            if (written <= 0)
                break;
            sent += written;
        }
        // The dropped MiB and both ends' socket buffers: well under a tenth of the body.
        QVERIFY2(sent < kDeclared / 10, qPrintable(u"%1 bytes were taken after the refusal"_s.arg(sent)));
    }

    // A second request behind the first on one connection meets the same limits, and
    // its refusal comes after the first request's answer.
    void pipelinedRequestsMeetTheLimits_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<int>("status");
        QTest::newRow("head over 16 KiB") << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: " + QByteArray(20 << 10, 'p') + "\r\n\r\n" << 431;
        QTest::newRow("address over 8 KiB") << "GET /api/auth/me?x=" + QByteArray(9 << 10, 'u') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" << 414;
        QTest::newRow("declared body over 1 MiB")
            << QByteArray("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2097152\r\n\r\n{") << 413;
        QTest::newRow("another web origin") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\n\r\n") << 403;
        QTest::newRow("upload without a token")
            << QByteArray("POST /api/trpc/upload.complete HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2097152\r\n\r\n{") << 401;
        QTest::newRow("another web origin, then more behind it")
            << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\n\r\nGET /api/auth/me HTTP/1.1\r\nX-Pad: "
                + QByteArray(20 << 10, 'p') + "\r\n\r\n"
            << 403;
    }
    void pipelinedRequestsMeetTheLimits()
    {
        QFETCH(QByteArray, second);
        QFETCH(int, status);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        const QByteArray body = "{\"json\":{\"messageId\":1}}";
        socket.write("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\n\r\n" + body + second);
        const QByteArray received = answers(socket, 2);
        QVERIFY2(closesWithin(socket, testsupport::kPatienceMs), "the refused second request left its connection open");
        QCOMPARE(statusesOf(received + socket.readAll()), QList<int>({ 401, status }));
    }

    // One reading of the stream: a request whose length could be read two ways is
    // refused; a chunked body is walked to its end, and the requests behind it meet the
    // same checks as any.
    void streamIsReadOneWay_data()
    {
        QTest::addColumn<QByteArray>("requests");
        QTest::addColumn<QList<int>>("statuses"); // of the answers, in order
        QTest::addColumn<bool>("closed");
        const QByteArray body = "{\"username\":\"nobody\",\"password\":\"wrong-password\"}";
        const QByteArray login = "POST /api/auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        const QByteArray chunks = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n";
        const QByteArray chunked = login + "Transfer-Encoding: chunked\r\n\r\n" + chunks;
        const QByteArray me = "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        const QByteArray foreign = "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\n\r\n";
        QTest::newRow("length and chunked") << login + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks + me
                                            << QList<int> { 400 } << true;
        QTest::newRow("chunked and length") << login + "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n" + chunks << QList<int> { 400 } << true;
        // Either length alone would frame a request that is served (its body empty
        // lines): only the check of the two refuses it.
        QTest::newRow("two lengths") << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\nContent-Length: 2\r\n\r\n\r\n" + me
                                     << QList<int> { 400 } << true;
        QTest::newRow("length not a number") << login + "Content-Length: 5x\r\n\r\n" + body << QList<int> { 400 } << true;
        QTest::newRow("a folded header") << login + "X-Note: a\r\n Transfer-Encoding: chunked\r\n\r\n" + chunks << QList<int> { 400 } << true;
        QTest::newRow("space before the colon") << login + "Transfer-Encoding : chunked\r\n\r\n" + chunks << QList<int> { 400 } << true;
        QTest::newRow("another encoding") << login + "Transfer-Encoding: gzip, chunked\r\n\r\n" + chunks << QList<int> { 400 } << true;
        QTest::newRow("malformed chunk size") << login + "Transfer-Encoding: chunked\r\n\r\nzz\r\n" + body << QList<int> { 400 } << true;
        // Refused, neither read as a size nor passed over: either would frame the rest
        // another way than a reader that ends lines at LF alone.
        QTest::newRow("chunk size line ending in a bare LF") << login + "Transfer-Encoding: chunked\r\n\r\n1\n" + chunks + me
                                                          << QList<int> { 400 } << true;
        // Fifteen hex digits may stand for any size a body can have; more are refused.
        QTest::newRow("chunk size of 15 digits") << login + "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(body.size(), 16).rightJustified(15, '0')
                + "\r\n" + body + "\r\n0\r\n\r\n" + me
                                                 << QList<int> { 400, 401 } << false;
        QTest::newRow("chunk size of 16 digits") << login + "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(body.size(), 16).rightJustified(16, '0')
                + "\r\n" + body + "\r\n0\r\n\r\n" + me
                                                 << QList<int> { 400 } << true;
        QTest::newRow("chunk without its line end") << login + "Transfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n" << QList<int> { 400 } << true;
        QTest::newRow("chunks over 1 MiB") << login + "Transfer-Encoding: chunked\r\n\r\n80000\r\n" + QByteArray(0x80000, 'x') + "\r\n80001\r\n"
                + QByteArray(0x80001, 'x') + "\r\n0\r\n\r\n"
                                           << QList<int> { 413 } << true;
        QTest::newRow("chunked, then a good one") << chunked + me << QList<int> { 400, 401 } << false;
        QTest::newRow("chunked, then another origin") << chunked + foreign << QList<int> { 400, 403 } << true;
        QTest::newRow("two served, then another origin") << me + me + foreign << QList<int> { 401, 401, 403 } << true;
        // The parser has read the first half of the head by the time the rest comes.
        QTest::newRow("half a head, its rest, then another origin") << me + "|" + me + foreign << QList<int> { 401, 401, 403 } << true;
        QTest::newRow("a body, one served, then another origin")
            << login + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body + me + foreign << QList<int> { 400, 401, 403 } << true;
        QTest::newRow("chunk extension, then another origin")
            << login + "Transfer-Encoding: chunked\r\n\r\n" + QByteArray::number(body.size(), 16) + ";x=y\r\n" + body + "\r\n0\r\n\r\n" + foreign
            << QList<int> { 400, 403 } << true;
        // The parser would stop at trailer fields without an answer.
        QTest::newRow("trailer") << login + "Transfer-Encoding: chunked\r\n\r\n" + chunks.chopped(2) + "X-Trailer: t\r\n\r\n" + me << QList<int> { 400 } << true;
    }
    void streamIsReadOneWay()
    {
        QFETCH(QByteArray, requests);
        QFETCH(QList<int>, statuses);
        QFETCH(bool, closed);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        // "|" marks a pause: the server takes what came before it on its own. Two
        // answers on another connection: it has read what reached it before them.
        const qsizetype pause = requests.indexOf('|');
        if (pause >= 0) {
            sendAll(socket, requests.left(pause) + requests.mid(pause + 1, 20));
            for (int i = 0; i < 2; ++i)
                QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
            requests = requests.mid(pause + 21);
        }
        sendAll(socket, requests);
        const QByteArray received = answers(socket, int(statuses.size()));
        QCOMPARE(statusesOf(received), statuses);
        if (closed) {
            QVERIFY2(closesWithin(socket, testsupport::kPatienceMs), "a refused connection stays open");
        } else {
            // Still open and served: one more request on it is answered.
            sendAll(socket, "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            QCOMPARE(statusesOf(answers(socket, 1)), QList<int> { 401 });
        }
        QCOMPARE(m_alice->get(u"/api/auth/me"_s).status, 200);
    }

    // Answers leave in the order their requests came, however long the first one takes
    // (a password being checked) and whether the one behind it is served or refused.
    void answersKeepTheirOrder_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<int>("status");
        QTest::newRow("served") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << 401;
        QTest::newRow("address over 8 KiB") << "GET /api/auth/me?x=" + QByteArray(9 << 10, 'u') + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" << 414;
        QTest::newRow("head over 16 KiB") << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: " + QByteArray(20 << 10, 'p') + "\r\n\r\n" << 431;
        QTest::newRow("another web origin") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://evil.example\r\n\r\n") << 403;
        QTest::newRow("declared body over 1 MiB")
            << QByteArray("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2097152\r\n\r\n{") << 413;
    }
    void answersKeepTheirOrder()
    {
        QFETCH(QByteArray, second);
        QFETCH(int, status);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        const QByteArray body = "{\"username\":\"ordered\",\"password\":\"wrong-password\"}";
        socket.write("POST /api/auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body
            + second);
        QCOMPARE(statusesOf(answers(socket, 2)), QList<int>({ 400, status }));
    }

    // With many connections open (from one address, or in all), the next one is refused
    // cleanly; once one closes, a new one is served.
    void connectionsAreCapped_data()
    {
        QTest::addColumn<QString>("cap");
        QTest::newRow("per address") << u"--max-connections-per-address"_s;
        QTest::newRow("in all") << u"--max-connections"_s;
    }
    void connectionsAreCapped()
    {
        QFETCH(QString, cap);
        ServerProcess capped(ServerProcess::Options { false, -1, { cap, u"3"_s } });
        QVERIFY2(capped.start(), qPrintable(capped.errorString()));
        const auto connectTo = [&capped] {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(u"127.0.0.1"_s, capped.port());
            return socket->waitForConnected(testsupport::kPatienceMs) ? std::move(socket) : nullptr;
        };
        const auto me = [](QTcpSocket& socket) {
            socket.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            return answerHead(socket).left(12);
        };
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < 3; ++i) {
            held.push_back(connectTo());
            QVERIFY(held.back());
            QCOMPARE(me(*held.back()), QByteArray("HTTP/1.1 401"));
        }
        auto refused = connectTo();
        QVERIFY(refused);
        QVERIFY(answerHead(*refused).startsWith(statusLine(429)));
        QVERIFY(closesWithin(*refused, testsupport::kPatienceMs));

        held.front()->disconnectFromHost();
        QVERIFY(closesWithin(*held.front(), testsupport::kPatienceMs));
        held.erase(held.begin());

        // The server notices the close on its own time: ask until it has.
        const auto eventually = [](const std::function<bool()>& served) {
            const QDeadlineTimer deadline(testsupport::kPatienceMs);
            while (!served()) {
                if (deadline.hasExpired())
                    return false;
                QTest::qWait(100);
            }
            return true;
        };
        QVERIFY(eventually([&] {
            auto again = connectTo();
            return again && me(*again).left(12) == "HTTP/1.1 401";
        }));

        // A live channel that ends gives its place back too.
        for (int i = 0; i < 5; ++i) {
            QVERIFY2(eventually([&] { return LiveClient(capped.wsUrl()).open(); }),
                qPrintable(u"live channel %1 found no place"_s.arg(i)));
        }
        QVERIFY(capped.stop());
    }

    // Out of descriptors, the listener waits instead of spinning, and accepts the
    // queued connections once descriptors are free again.
    void acceptingResumesAfterRunningOutOfDescriptors()
    {
#ifdef __SANITIZE_ADDRESS__
        // The sanitizers' own checks open a pipe to probe memory; with every descriptor
        // taken they report a fault that is not there and stop the server.
        QSKIP("The sanitizers need descriptors of their own, which this test takes away");
#endif
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const auto showLog = logOnFailure(server);
        const qint64 pid = server.processId();
        DescriptorLimit limit(pid);
        QVERIFY2(limit.lowerTo(openDescriptors(pid) + 3), "cannot lower the server's descriptor limit");
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < 8; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(u"127.0.0.1"_s, server.port());
            QVERIFY(sockets.back()->waitForConnected(testsupport::kPatienceMs));
        }
        // Whole answers, so that the next one on the same connection is read from its start.
        const auto served = [](QTcpSocket& socket) {
            socket.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            return statusesOf(answers(socket, 1)) == QList<int> { 401 };
        };
        QVERIFY(served(*sockets.front()));
        QTcpSocket& queued = *sockets.back();
        queued.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(queued.waitForBytesWritten(testsupport::kPatienceMs));
        // Three answers on a served connection: turns enough for the server to accept
        // the queued connection, read its request and send the answer, had it the room.
        for (int i = 0; i < 3; ++i)
            QVERIFY(served(*sockets.front()));
        QVERIFY2(queued.bytesAvailable() == 0 && !queued.waitForReadyRead(0), "more connections were served than descriptors allow");

        const qint64 ticks = cpuTicks(pid);
        QTest::qWait(1000);
        const qint64 used = cpuTicks(pid) - ticks;
        // A listener spinning on its failures takes about a whole second of processor time here.
        QVERIFY2(used < sysconf(_SC_CLK_TCK) / 2, qPrintable(u"the server used %1 ticks while waiting"_s.arg(used)));

        // All the room back at once: freed one by one, a crowded machine could let the
        // server take the queued connection while the request still lacks the few
        // descriptors its answer needs (its database reader), which is another matter.
        const QString notRestored = limit.restore();
        QVERIFY2(notRestored.isEmpty(), qPrintable(u"cannot restore the server's descriptor limit: "_s + notRestored));
        for (size_t i = 0; i + 1 < sockets.size(); ++i)
            sockets[i]->abort();
        QCOMPARE(answerHead(queued).left(12), QByteArray("HTTP/1.1 401"));
        QVERIFY(server.stop());
    }

    // With not one descriptor to spare, a sign-in or a registration is still answered:
    // their password digests run on threads started before the server listened, where
    // a thread started on demand would need a descriptor and, without it, end the server.
    void digestsWithNoDescriptorToSpare_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("sign-in") << QByteArray("/api/auth/login");
        QTest::newRow("registration") << QByteArray("/api/auth/register");
    }

    void digestsWithNoDescriptorToSpare()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("The sanitizers need descriptors of their own, which this test takes away");
#endif
        QFETCH(QByteArray, path);
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const auto showLog = logOnFailure(server);
        const bool signIn = path.endsWith("login");
        if (signIn) {
            ApiClient existing(server.baseUrl());
            existing.registerUser(u"spare1"_s);
            QVERIFY(existing.userId() > 0);
        }
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QCOMPARE(statusesOf(answers(socket, 1)), QList<int> { 401 });

        DescriptorLimit limit(server.processId());
        QVERIFY2(limit.lowerTo(firstFreeDescriptor(server.processId())), "cannot lower the server's descriptor limit");
        const QByteArray body = signIn ? R"({"username":"spare1","password":"secret123"})" : R"({"username":"spare2","password":"secret123"})";
        sendAll(socket, "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        const QByteArray answer = answerHead(socket);
        const QString notRestored = limit.restore();
        QVERIFY2(notRestored.isEmpty(), qPrintable(u"cannot restore the server's descriptor limit: "_s + notRestored));
        QCOMPARE(answer.left(12), QByteArray("HTTP/1.1 200"));
        QVERIFY(server.stop());
    }

    // A test process that dies without cleaning up (a crash) takes its server with it.
    // The test runs itself again as that process.
    void serverEndsWithItsTest()
    {
        if (qEnvironmentVariableIsSet("MORVANE_TEST_DIES_WITH_SERVER")) {
            auto* server = new ServerProcess;
            if (server->start())
                std::printf("server-pid %lld\n", server->processId());
            std::fflush(stdout);
            std::_Exit(3);
        }
        QProcess doomed;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"MORVANE_TEST_DIES_WITH_SERVER"_s, u"1"_s);
        doomed.setProcessEnvironment(environment);
        doomed.start(QCoreApplication::applicationFilePath(), { u"serverEndsWithItsTest"_s });
        QVERIFY(doomed.waitForFinished(2 * testsupport::kPatienceMs));
        const QByteArray output = doomed.readAllStandardOutput();
        const qsizetype at = output.indexOf("server-pid ");
        QVERIFY2(at >= 0, output.constData());
        const pid_t pid = pid_t(output.mid(at + 11).split('\n').value(0).toLongLong());
        QVERIFY(pid > 0);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0, 10000);
    }

    // A data directory that a launcher made open to everybody, with a log in it,
    // becomes private as the server starts; what the server writes later is too.
    void dataDirectoryIsPrivate()
    {
        ServerProcess server(ServerProcess::Options { true, -1, {} });
        const QDir dir(server.dataDir());
        QVERIFY(dir.mkpath(u"."_s));
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
        QFile log(dir.filePath(u"server.log"_s));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.setPermissions(QFileDevice::Permissions(0x6644));
        log.close();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ApiClient alice(server.baseUrl());
        alice.login(u"alice"_s, u"alice123"_s);
        QVERIFY(!alice.token.isEmpty());
        const QByteArray upload = alice.post(u"/api/trpc/upload.complete"_s,
            R"({"json":{"fileKey":"a.txt","contentType":"text/plain","fileBuffer":"aGVsbG8="}})").body;

        QCOMPARE(octal(QFileInfo(dir.path()).permissions()), u"700"_s);
        int files = 0;
        QDirIterator entries(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QFileInfo entry = entries.nextFileInfo();
            QCOMPARE(entry.fileName() + u' ' + octal(entry.permissions()), entry.fileName() + (entry.isDir() ? u" 700"_s : u" 600"_s));
            files += entry.isFile();
        }
        QVERIFY2(QFileInfo::exists(dir.filePath(u"morvane.sqlite3-wal"_s)), "the database is not in WAL mode?");
        QVERIFY2(QDir(dir.filePath(u"uploads"_s)).count() > 2, upload.constData());
        QVERIFY(files >= 5);
        QVERIFY2(!server.serverLog().contains("alice123"), "a demo password went to the log");
    }

    // Password digests are made off the event loop: the live channel answers while
    // twenty wrong-password sign-ins are being checked, and the processor time of the
    // checks goes to other threads than the loop's (the server's main thread). Which
    // answer comes first is no proof either way: on a crowded machine this test may
    // be paused until all of them are in, and a loop making the digests itself may
    // still read the ping between two of them.
    void signInsDoNotStallTheChannel()
    {
        ApiClient bob(m_server.baseUrl());
        bob.registerUser(u"stallbob"_s);
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.authenticate(bob.token, bob.userId()));
        const qint64 pid = m_server.processId();
        const qint64 loopBefore = cpuTicks(pid, pid);
        const qint64 allBefore = cpuTicks(pid);
        QVERIFY(loopBefore >= 0 && allBefore >= 0);
        std::vector<std::unique_ptr<QTcpSocket>> signIns;
        for (int i = 0; i < 20; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(u"127.0.0.1"_s, m_server.port());
            QVERIFY(socket->waitForConnected(testsupport::kPatienceMs));
            const QByteArray body = "{\"username\":\"ghost" + QByteArray::number(i) + "\",\"password\":\"wrong-password\"}";
            socket->write("POST /api/auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            QVERIFY(socket->waitForBytesWritten(testsupport::kPatienceMs));
            signIns.push_back(std::move(socket));
        }
        live.sendFrame(u"ping"_s, {});
        QVERIFY(live.waitFor(u"pong"_s));
        for (const auto& socket : signIns)
            QVERIFY(answerHead(*socket).startsWith("HTTP/1.1 400"));
        const qint64 loopUsed = cpuTicks(pid, pid) - loopBefore;
        const qint64 allUsed = cpuTicks(pid) - allBefore;
        // Twenty digests take seconds of processor time; reading and answering the
        // requests a small part of it.
        QVERIFY2(allUsed >= 20, qPrintable(u"the checks took only %1 ticks"_s.arg(allUsed)));
        QVERIFY2(loopUsed * 4 < allUsed, qPrintable(u"the event loop used %1 of the %2 ticks"_s.arg(loopUsed).arg(allUsed)));
    }

    // Fifty guesses at one account sent at once, before any password check ends: only
    // ten are checked, and the right password is refused afterwards too; other
    // accounts are unaffected.
    void concurrentGuessesAreThrottled()
    {
        ApiClient victim(m_server.baseUrl());
        victim.registerUser(u"victim"_s, u"right-password"_s);
        std::vector<std::unique_ptr<QTcpSocket>> guesses;
        for (int i = 0; i < 50; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(u"127.0.0.1"_s, m_server.port());
            QVERIFY(socket->waitForConnected(testsupport::kPatienceMs));
            const QByteArray body = "{\"username\":\"victim\",\"password\":\"guess" + QByteArray::number(i) + "\"}";
            socket->write("POST /api/auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            QVERIFY(socket->waitForBytesWritten(testsupport::kPatienceMs));
            guesses.push_back(std::move(socket));
        }
        QMap<QByteArray, int> statuses;
        for (const auto& socket : guesses)
            ++statuses[answerHead(*socket).left(12)];
        QCOMPARE(statuses.value("HTTP/1.1 400"), 10);
        QCOMPARE(statuses.value("HTTP/1.1 429"), 40);

        ApiClient guesser(m_server.baseUrl());
        const HttpResult refused = guesser.postJson(u"/api/auth/login"_s, { { u"username"_s, u"VICTIM"_s }, { u"password"_s, u"right-password"_s } });
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.errorMessage().contains(u"Too many"_s));
        QCOMPARE(guesser.postJson(u"/api/auth/login"_s, { { u"username"_s, u"alice"_s }, { u"password"_s, u"secret123"_s } }).status, 200);
        QCOMPARE(victim.get(u"/api/auth/me"_s).status, 200);
    }

    // Sign-ins under ever new, huge names leave nothing behind: resident memory stays
    // near where it was, and the server still counts and answers sign-ins.
    void longNameSignInsLeaveNothing()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("The address sanitizer keeps freed memory in quarantine, so resident sizes say nothing here");
#endif
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ApiClient client(server.baseUrl());
        client.language = "en";
        const auto signIn = [&client](const QByteArray& name) {
            return client.post(u"/api/auth/login"_s, "{\"username\":\"" + name + "\",\"password\":\"wrong-password\"}");
        };
        // The server's own buffers grow to their working size first.
        QCOMPARE(signIn(QByteArray(1000000, 'w')).status, 400);
        const qint64 before = residentKiB(server.processId());
        QVERIFY(before > 0);
        for (int i = 0; i < 200; ++i) {
            const HttpResult refused = signIn(QByteArray::number(i) + QByteArray(1000000 - 8, 'n'));
            QCOMPARE(refused.status, 400);
            QVERIFY(!refused.errorMessage().isEmpty());
        }
        const qint64 grown = residentKiB(server.processId()) - before;
        QVERIFY2(grown < 16 * 1024, qPrintable(u"resident memory grew by %1 KiB"_s.arg(grown)));
        QCOMPARE(signIn("ghost").errorMessage(), u"Wrong user name or password"_s);
        QVERIFY(server.stop());
    }

    // Right passwords take their attempts back: an account signed in often is not locked out.
    void rightPasswordsAreNotCounted()
    {
        ApiClient regular(m_server.baseUrl());
        regular.registerUser(u"regular"_s, u"right-password"_s);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(regular.postJson(u"/api/auth/login"_s, { { u"username"_s, u"regular"_s }, { u"password"_s, u"right-password"_s } }).status, 200);
    }

    // A 50 MB file: its body goes to the disk as it arrives, so the server's peak grows
    // by a few pieces of it, not by the body (67 MB) nor the file.
    void largeUploadHoldsLittle()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("The address sanitizer keeps freed memory in quarantine, so the peak says nothing here");
#endif
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ApiClient alice(server.baseUrl());
        alice.registerUser(u"uploader"_s);
        QByteArray file(50 << 20, 'x');
        for (qsizetype i = 0; i < file.size(); i += 4096)
            file[i] = char(i / 4096);
        const QString key = alice.mutation(u"upload.getPresignedUrl"_s,
            QJsonObject { { u"fileName"_s, u"big.bin"_s }, { u"fileType"_s, u"application/octet-stream"_s }, { u"fileSize"_s, file.size() } })
                                .data()["fileKey"_L1].toString();
        const QByteArray body = "{\"json\":{\"fileKey\":\"" + key.toLatin1() + "\",\"contentType\":\"application/octet-stream\",\"fileBuffer\":\""
            + file.toBase64() + "\"}}";
        const qint64 before = peakKiB(server.processId());
        const HttpResult completed = alice.post(u"/api/trpc/upload.complete"_s, body);
        QCOMPARE(completed.status, 200);
        const qint64 grown = peakKiB(server.processId()) - before;
        // Its pieces come to about a MiB; allocator noise stays well under 16.
        QVERIFY2(grown < 16 * 1024, qPrintable(u"peak grew by %1 KiB for a %2 KiB body"_s.arg(grown).arg(body.size() / 1024)));
        QCOMPARE(alice.get(completed.data()["url"_L1].toString()).body, file);
    }

    void slowConnectionsAreClosed_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<bool>("trickle"); // then a byte every 200 ms
        QTest::addColumn<int>("answers"); // complete answers expected before the close
        QTest::newRow("nothing sent") << QByteArray() << false << 0;
        QTest::newRow("half a head") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.") << false << 0;
        QTest::newRow("idle after an answer") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << false << 1;
        QTest::newRow("a head a byte at a time") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ") << true << 0;
        QTest::newRow("a body a byte at a time")
            << QByteArray("POST /api/trpc/messages.revoke HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1000\r\n\r\n") << true << 0;
        QTest::newRow("a second head a byte at a time")
            << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\nGET /api/auth/me HTTP/1.1\r\nX-Slow: ") << true << 1;
    }
    // The impatient server wants a head within 0.5 s (the next one from its previous
    // answer) and a body at 16 KiB/s after 0.5 s; its idle time (an hour) outlasts the
    // test's patience, so only those deadlines can close them.
    void slowConnectionsAreClosed()
    {
        QFETCH(QByteArray, first);
        QFETCH(bool, trickle);
        QFETCH(int, answers);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_impatient.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write(first);
        bool closed = false;
        for (const QDeadlineTimer deadline(testsupport::kPatienceMs); !closed && !deadline.hasExpired();) {
            if (trickle)
                socket.write("x");
            closed = closesWithin(socket, 200);
        }
        QVERIFY2(closed, "the server keeps a slow connection open");
        QCOMPARE(int(socket.readAll().count("HTTP/1.1 401")), answers);
        // Closed in the middle of its reading, the socket is not read again (Qt would say
        // so in the log). A request answered after it: what the server wrote before is
        // in the log by then.
        QCOMPARE(ApiClient(m_impatient.baseUrl()).get(u"/api/auth/me"_s).status, 401);
        QCoreApplication::processEvents();
        const QByteArray log = m_impatient.serverLog();
        QVERIFY2(!log.contains("device not open"), log.right(2000).constData());
    }

    // The time-outs are about silence: a connection that keeps talking is served for
    // longer than its time-outs, and a WebSocket is not an idle HTTP connection. This
    // server's time-outs (2 s) are ten times the pauses here, so that a crowded machine
    // running them late does not close the connection for a silence that was not meant.
    void busyConnectionsStayOpen()
    {
        ServerProcess busy(ServerProcess::Options { false, -1, { u"--head-timeout"_s, u"2"_s, u"--idle-timeout"_s, u"2"_s } });
        QVERIFY2(busy.start(), qPrintable(busy.errorString()));
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, busy.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        QElapsedTimer talking;
        talking.start();
        while (talking.elapsed() < 3000) {
            QTest::qWait(200);
            socket.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            QCOMPARE(statusesOf(answers(socket, 1)), QList<int> { 401 });
        }
        ApiClient bob(busy.baseUrl());
        bob.registerUser(u"bob"_s);
        LiveClient live(busy.wsUrl());
        QVERIFY(live.authenticate(bob.token, bob.userId()));
        QTest::qWait(2500);
        live.sendFrame(u"ping"_s, {});
        QVERIFY(live.waitFor(u"pong"_s));
        QVERIFY(busy.stop());
    }
};

QTEST_GUILESS_MAIN(TestServerGuard)
#include "tst_server_guard.moc"
