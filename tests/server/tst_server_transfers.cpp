// End to end: what morvane-server holds while files go out, and how strictly it reads
// what reaches it. Downloads go out from the disk as the client takes them, so readers
// that stall hold little and are let go; a head is read one way only; a WebSocket frame
// a client did not mask ends the connection.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// Whether a process still has the server's end of the connection between these two
// loopback ports open: a socket no process holds shows inode 0 in /proc/net/tcp.
bool serverHolds(quint16 serverPort, quint16 clientPort)
{
    QFile table(u"/proc/net/tcp"_s);
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = "0100007F:" + QByteArray::number(serverPort, 16).toUpper().rightJustified(4, '0');
    const QByteArray remote = "0100007F:" + QByteArray::number(clientPort, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 9 && fields[1] == local && fields[2] == remote)
            return fields[9] != "0";
    }
    return false;
}

// A file whose every 4 KiB differ, so that a piece sent twice or out of place shows.
QByteArray patterned(qsizetype size)
{
    QByteArray file(size, 'x');
    for (qsizetype i = 0; i + 8 <= file.size(); i += 4096)
        file.replace(i, 8, QByteArray::number(i / 4096).rightJustified(8, '0'));
    return file;
}

// Uploads the file for this signed-in client; returns its key, or nothing.
QString upload(ApiClient& client, const QByteArray& file)
{
    const QString key = client.mutation(u"upload.getPresignedUrl"_s,
                                  QJsonObject { { u"fileName"_s, u"big.bin"_s }, { u"fileType"_s, u"application/octet-stream"_s },
                                      { u"fileSize"_s, file.size() } })
                            .data()["fileKey"_L1]
                            .toString();
    const HttpResult completed = client.post(u"/api/trpc/upload.complete"_s,
        "{\"json\":{\"fileKey\":\"" + key.toLatin1() + "\",\"contentType\":\"application/octet-stream\",\"fileBuffer\":\"" + file.toBase64()
            + "\"}}");
    return completed.status == 200 ? key : QString();
}

std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(u"127.0.0.1"_s, port);
    return socket->waitForConnected(testsupport::kPatienceMs) ? std::move(socket) : nullptr;
}

// Reads until `bytes` arrived or the peer closed or went quiet for a long while.
QByteArray readAtLeast(QTcpSocket& socket, qsizetype bytes)
{
    QByteArray received = socket.readAll();
    while (received.size() < bytes && socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(testsupport::kPatienceMs))
        received += socket.readAll();
    return received + socket.readAll();
}

// One answer from the front of what was received: status and body, which is then
// taken off the front. Status 0 when no whole answer is there.
std::pair<int, QByteArray> takeAnswer(QByteArray& received)
{
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (!received.startsWith("HTTP/1.1 ") || headEnd < 0)
        return { 0, {} };
    const QByteArray head = received.left(headEnd).toLower();
    const qsizetype at = head.indexOf("\r\ncontent-length: ");
    const qsizetype length = at < 0 ? -1 : head.mid(at + 18).split('\r').value(0).toLongLong();
    if (length < 0 || received.size() < headEnd + 4 + length)
        return { 0, {} };
    const std::pair<int, QByteArray> answer { received.mid(9, 3).toInt(), received.mid(headEnd + 4, length) };
    received.remove(0, headEnd + 4 + length);
    return answer;
}

// A WebSocket frame as a client sends it (masked) or as it must not (unmasked).
QByteArray clientFrame(quint8 opcode, const QByteArray& payload, bool masked)
{
    QByteArray frame;
    frame.append(char(0x80 | opcode));
    const char maskBit = masked ? char(0x80) : char(0);
    if (payload.size() < 126) {
        frame.append(char(maskBit | char(payload.size())));
    } else {
        frame.append(char(maskBit | 126));
        frame.append(char(payload.size() >> 8));
        frame.append(char(payload.size() & 0xff));
    }
    if (!masked)
        return frame + payload;
    const QByteArray key("\x12\x34\x56\x78", 4);
    frame += key;
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame.append(char(payload[i] ^ key[i % 4]));
    return frame;
}

// The frames a server sent (unmasked), as (opcode, payload), from the front of bytes.
QList<std::pair<int, QByteArray>> serverFrames(const QByteArray& bytes)
{
    QList<std::pair<int, QByteArray>> frames;
    qsizetype at = 0;
    while (at + 2 <= bytes.size()) {
        qsizetype length = quint8(bytes[at + 1]) & 0x7f;
        qsizetype head = 2;
        if (length == 126) {
            if (at + 4 > bytes.size())
                break;
            length = (qsizetype(quint8(bytes[at + 2])) << 8) | quint8(bytes[at + 3]);
            head = 4;
        }
        if (at + head + length > bytes.size())
            break;
        frames.append({ quint8(bytes[at]) & 0x0f, bytes.mid(at + head, length) });
        at += head + length;
    }
    return frames;
}

} // namespace

class TestServerTransfers : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    // Its idle second is the only limit a stalled download can meet in a test's time.
    ServerProcess m_impatient { ServerProcess::Options { false, -1, { u"--idle-timeout"_s, u"1"_s, u"--head-timeout"_s, u"600"_s } } };
    std::unique_ptr<ApiClient> m_owner;
    QByteArray m_file;
    QString m_key;

    QByteArray origin() const { return "http://127.0.0.1:" + QByteArray::number(m_server.port()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY2(m_impatient.start(), qPrintable(m_impatient.errorString()));
        m_owner = std::make_unique<ApiClient>(m_server.baseUrl());
        m_owner->registerUser(u"owner"_s);
        m_file = patterned(16 << 20);
        m_key = upload(*m_owner, m_file);
        QVERIFY(!m_key.isEmpty());
    }

    // Twenty clients ask for a 16 MB file and read nothing: the server holds a few
    // hundred KiB for each, not the file, and the live channel goes on answering.
    // Read at last, every byte of the file arrives in its place.
    void stalledDownloadsHoldLittle()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("The address sanitizer keeps freed memory in quarantine, so resident sizes say nothing here");
#endif
        LiveClient live(m_server.wsUrl());
        QVERIFY(live.open());
        const qint64 before = processMemoryKiB(m_server.processId(), "VmRSS:");
        QVERIFY(before > 0);
        std::vector<std::unique_ptr<QTcpSocket>> readers;
        for (int i = 0; i < 20; ++i) {
            readers.push_back(connectTo(m_server.port()));
            QVERIFY(readers.back());
            // Takes 64 KiB from the kernel and no more, so the server's sending stalls.
            readers.back()->setReadBufferSize(64 << 10);
            readers.back()->write("GET /uploads/" + m_key.toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            QVERIFY(readers.back()->waitForBytesWritten(testsupport::kPatienceMs));
        }
        // Every reader's head is out once the first bytes of its answer arrive.
        for (const auto& reader : readers)
            QVERIFY(reader->bytesAvailable() > 0 || reader->waitForReadyRead(testsupport::kPatienceMs));
        live.sendFrame(u"ping"_s, {});
        QVERIFY(live.waitFor(u"pong"_s));
        const qint64 grown = processMemoryKiB(m_server.processId(), "VmRSS:") - before;
        // The whole file for each would be 320 MB; a MiB for each and some noise is the bound.
        QVERIFY2(grown < 28 * 1024, qPrintable(u"resident memory grew by %1 KiB"_s.arg(grown)));

        readers.front()->setReadBufferSize(0);
        QByteArray received = readAtLeast(*readers.front(), m_file.size() + 200);
        const auto [status, body] = takeAnswer(received);
        QCOMPARE(status, 200);
        QCOMPARE(body.size(), m_file.size());
        QVERIFY(body == m_file);
    }

    // An upload refused, or cut off while its body arrives, leaves no file behind: not
    // the spool file its body was being decoded into, not the key's file.
    void brokenUploadsLeaveNothing_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<int>("status"); // 0: the client goes halfway through the body
        QTest::newRow("cut off halfway") << u"cut off"_s << 0;
        QTest::newRow("a size other than announced") << u"size"_s << 400;
        QTest::newRow("not Base64") << u"base64"_s << 400;
        QTest::newRow("an unknown key") << u"key"_s << 404;
        QTest::newRow("text never ends") << u"unended"_s << 400;
    }
    void brokenUploadsLeaveNothing()
    {
        QFETCH(QString, breakage);
        QFETCH(int, status);
        const QByteArray file = patterned(4 << 20);
        QString key = m_owner->mutation(u"upload.getPresignedUrl"_s,
                                   QJsonObject { { u"fileName"_s, u"broken.bin"_s }, { u"fileType"_s, u"application/octet-stream"_s },
                                       { u"fileSize"_s, file.size() + (breakage == u"size" ? 1 : 0) } })
                          .data()["fileKey"_L1]
                          .toString();
        QVERIFY(!key.isEmpty());
        if (breakage == u"key")
            key = u"0123456789abcdef0123456789abcdef"_s;
        QByteArray text = file.toBase64();
        if (breakage == u"base64")
            text[text.size() / 2] = '*';
        QByteArray body = "{\"json\":{\"fileKey\":\"" + key.toLatin1() + "\",\"contentType\":\"application/octet-stream\",\"fileBuffer\":\"" + text + "\"}}";
        if (breakage == u"unended")
            body.chop(3);
        const QDir uploads(m_server.dataDir() + u"/uploads"_s);
        // Spool files: named ones, and the files without a name that Linux makes for
        // them, seen among the server's open descriptors.
        const auto spooled = [this, &uploads] {
            QStringList found = uploads.entryList({ u"spool-*"_s }, QDir::Files);
            const QString descriptors = u"/proc/%1/fd"_s.arg(m_server.processId());
            for (const QString& descriptor : QDir(descriptors).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
                char target[4096] = {};
                const ssize_t length = ::readlink(qPrintable(descriptors + u'/' + descriptor), target, sizeof target - 1);
                if (length > 0 && QString::fromLocal8Bit(target, length).startsWith(uploads.absolutePath()))
                    found << QString::fromLocal8Bit(target, length);
            }
            return found;
        };
        if (status == 0) {
            auto socket = connectTo(m_server.port());
            QVERIFY(socket);
            socket->write("POST /api/trpc/upload.complete HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + m_owner->token.toLatin1()
                + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body.left(body.size() / 2));
            // The body is being decoded into its spool file when the client goes.
            const QDeadlineTimer patience(testsupport::kPatienceMs);
            while (spooled().isEmpty() && !patience.hasExpired())
                socket->waitForBytesWritten(100);
            QVERIFY2(!spooled().isEmpty(), "no spool file while the body arrived");
            socket->abort();
        } else {
            QCOMPARE(m_owner->post(u"/api/trpc/upload.complete"_s, body).status, status);
        }
        const QDeadlineTimer patience(testsupport::kPatienceMs);
        while (!spooled().isEmpty() && !patience.hasExpired())
            QTest::qWait(50);
        QCOMPARE(spooled(), QStringList());
        QVERIFY(!QFile::exists(uploads.filePath(key + u".bin"_s)));
        QCOMPARE(m_owner->get(u"/api/auth/me"_s).status, 200);
    }

    // A file answer keeps its place among the answers of its connection, and a signed
    // download link serves the same bytes.
    void downloadsKeepTheirPlace_data()
    {
        QTest::addColumn<bool>("signedLink");
        QTest::newRow("uploaded file") << false;
        QTest::newRow("signed download link") << true;
    }
    void downloadsKeepTheirPlace()
    {
        QFETCH(bool, signedLink);
        QByteArray target = "/uploads/" + m_key.toLatin1();
        if (signedLink) {
            const QJsonArray files = m_owner->query(u"files.getMyFiles"_s, QJsonObject { { u"page"_s, 1 }, { u"limit"_s, 10 } }).data().toArray();
            QVERIFY(!files.isEmpty());
            const QUrl link(m_owner->mutation(u"files.getDownloadUrl"_s, QJsonObject { { u"fileId"_s, files.first()["id"_L1] } })
                                .data()["signedUrl"_L1]
                                .toString());
            target = link.path(QUrl::FullyEncoded).toLatin1() + '?' + link.query(QUrl::FullyEncoded).toLatin1();
        }
        auto socket = connectTo(m_server.port());
        QVERIFY(socket);
        const QByteArray get = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        socket->write(get + "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" + get);
        QByteArray received = readAtLeast(*socket, 2 * m_file.size() + 800);
        const auto first = takeAnswer(received);
        const auto second = takeAnswer(received);
        const auto third = takeAnswer(received);
        QCOMPARE(first.first, 200);
        QVERIFY(first.second == m_file);
        QCOMPARE(second.first, 401);
        QCOMPARE(third.first, 200);
        QVERIFY(third.second == m_file);
    }

    // A client that takes nothing of a file for the idle time loses the connection:
    // the server lets go of the socket and the file.
    void downloadThatIsNeverReadEnds()
    {
        ApiClient owner(m_impatient.baseUrl());
        owner.registerUser(u"owner"_s);
        const QString key = upload(owner, m_file);
        QVERIFY(!key.isEmpty());
        // A plain socket whose kernel takes 64 KiB for it and that nobody reads: the
        // server's sending stalls at once.
        const int reader = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(reader >= 0);
        const auto closeReader = qScopeGuard([reader] { ::close(reader); });
        const int window = 64 << 10;
        QCOMPARE(::setsockopt(reader, SOL_SOCKET, SO_RCVBUF, &window, sizeof window), 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(m_impatient.port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::connect(reader, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const QByteArray request = "GET /uploads/" + key.toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        QCOMPARE(::send(reader, request.constData(), size_t(request.size()), 0), ssize_t(request.size()));
        // Its answer has begun once the kernel holds some of it for the reader.
        char first = 0;
        QCOMPARE(::recv(reader, &first, 1, MSG_PEEK), ssize_t(1));
        sockaddr_in local {};
        socklen_t localSize = sizeof local;
        QCOMPARE(::getsockname(reader, reinterpret_cast<sockaddr*>(&local), &localSize), 0);
        QVERIFY(serverHolds(m_impatient.port(), ntohs(local.sin_port)));
        // After the server's idle second without progress, it lets go: the kernel may
        // still hold what was written, the server holds nothing.
        QTRY_VERIFY(!serverHolds(m_impatient.port(), ntohs(local.sin_port)));
    }

    // Lines of a head end with CR LF and nothing else: a head another reader could
    // take apart differently is refused with 400 before anything in it counts (an
    // Origin header among its lines included).
    void headsReadOneWay_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const QByteArray foreign = "Origin: http://evil.example";
        QTest::newRow("bare LF throughout, another origin") << "GET /api/auth/me HTTP/1.1\nHost: 127.0.0.1\n" + foreign + "\n\n" << 400;
        QTest::newRow("bare LF throughout") << QByteArray("GET /api/auth/me HTTP/1.1\nHost: 127.0.0.1\n\n") << 400;
        QTest::newRow("one bare LF, another origin") << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\n" + foreign + "\r\n\r\n" << 400;
        QTest::newRow("a lone CR inside a line") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\rX-A: b\r\n\r\n") << 400;
        QTest::newRow("no version") << QByteArray("GET /api/auth/me\r\nHost: 127.0.0.1\r\n\r\n") << 400;
        QTest::newRow("CR LF, another origin") << "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n" + foreign + "\r\n\r\n" << 403;
        QTest::newRow("CR LF") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") << 401;
    }
    void headsReadOneWay()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        auto socket = connectTo(m_server.port());
        QVERIFY(socket);
        socket->write(request);
        QByteArray received = socket->readAll();
        while (!received.contains("\r\n\r\n") && socket->waitForReadyRead(testsupport::kPatienceMs))
            received += socket->readAll();
        QVERIFY2(received.startsWith("HTTP/1.1 " + QByteArray::number(status)), received.left(200).constData());
        if (status == 400)
            QVERIFY2(received.contains("CR LF"), received.constData());
        QCOMPARE(m_owner->get(u"/api/auth/me"_s).status, 200);
    }

    // Every frame a client sends must be masked: one that is not is not read, and the
    // connection is closed with 1002, also after frames that were masked.
    void unmaskedFramesCloseTheConnection_data()
    {
        QTest::addColumn<QList<bool>>("masked"); // of the ping frames sent, in order
        QTest::addColumn<bool>("closes");
        QTest::newRow("masked") << QList<bool> { true } << false;
        QTest::newRow("unmasked") << QList<bool> { false } << true;
        QTest::newRow("masked, then unmasked, then masked") << QList<bool> { true, false, true } << true;
    }
    void unmaskedFramesCloseTheConnection()
    {
        QFETCH(QList<bool>, masked);
        QFETCH(bool, closes);
        auto socket = connectTo(m_server.port());
        QVERIFY(socket);
        socket->write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                      "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
        QByteArray received = socket->readAll();
        while (!received.contains("\r\n\r\n") && socket->waitForReadyRead(testsupport::kPatienceMs))
            received += socket->readAll();
        QVERIFY2(received.startsWith("HTTP/1.1 101"), received.constData());
        received.remove(0, received.indexOf("\r\n\r\n") + 4);
        // One frame at a time, each after the answer to the one before.
        const QByteArray ping = R"({"type":"ping","payload":{}})";
        for (qsizetype i = 0; i < masked.size(); ++i) {
            if (i > 0)
                received.clear();
            socket->write(clientFrame(0x1, ping, masked[i]));
            while (serverFrames(received).isEmpty() && socket->state() == QAbstractSocket::ConnectedState && socket->waitForReadyRead(testsupport::kPatienceMs))
                received += socket->readAll();
            const QList<std::pair<int, QByteArray>> frames = serverFrames(received);
            if (!frames.isEmpty() && frames.last().first == 0x8)
                break;
        }
        const QList<std::pair<int, QByteArray>> frames = serverFrames(received);
        QVERIFY(!frames.isEmpty());
        if (!closes) {
            QCOMPARE(frames.last().first, 0x1);
            QVERIFY(frames.last().second.contains("pong"));
            return;
        }
        QCOMPARE(frames.last().first, 0x8);
        QCOMPARE(frames.last().second.left(2), QByteArray("\x03\xea", 2));
        QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_GUILESS_MAIN(TestServerTransfers)
#include "tst_server_transfers.moc"
