// End to end over raw sockets: HTTP/1.1 connections as clients expect them. Each row
// sends bytes as a client would and checks the answers on the wire, byte for byte in
// their framing, and whether the server then closes the connection or keeps serving it.
// The server here waits minutes for a head, so a close seen within the test's patience
// is the server's answer to the request, never its time-out.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QTest>

#include <functional>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

const QByteArray kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

// The answers in a stream, one line each: "STATUS", then " close" or " keep-alive" for
// what its Connection header says and " head only" for an answer whose body was left
// out; the bytes after the last whole answer in *rest. An answer with a body that has
// not (wholly) come ends the list unless the stream has ended.
QStringList answersIn(const QByteArray& stream, bool ended, QByteArray* rest)
{
    QStringList found;
    qsizetype at = 0;
    for (;;) {
        const qsizetype headEnd = stream.indexOf("\r\n\r\n", at);
        if (!stream.mid(at).startsWith("HTTP/1.1 ") || headEnd < 0)
            break;
        const QByteArray head = stream.mid(at, headEnd - at);
        const QByteArray lower = head.toLower();
        QString line = QString::fromLatin1(head.mid(9, 3));
        if (lower.contains("\r\nconnection: close"))
            line += u" close"_s;
        if (lower.contains("\r\nconnection: keep-alive"))
            line += u" keep-alive"_s;
        const qsizetype lengthAt = lower.indexOf("\r\ncontent-length: ");
        const qint64 length = lengthAt < 0 ? 0 : lower.mid(lengthAt + 18).split('\r').value(0).toLongLong();
        qsizetype next = headEnd + 4;
        // Our bodies are JSON or files: another answer, or the end, right after a head
        // that announces a body means the body was left out.
        if (length > 0 && ((ended && next == stream.size()) || stream.mid(next).startsWith("HTTP/1.1 "))) {
            line += u" head only"_s;
        } else {
            if (next + length > stream.size())
                break;
            next += length;
        }
        found << line;
        at = next;
    }
    *rest = stream.mid(at);
    return found;
}

} // namespace

class TestServerConnections : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { false, -1, { u"--head-timeout"_s, u"300"_s, u"--idle-timeout"_s, u"300"_s } } };
    std::unique_ptr<ApiClient> m_alice;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(u"alice"_s);
    }

    void connections_data()
    {
        QTest::addColumn<QByteArray>("requests"); // "TOKEN" stands for a valid access token
        QTest::addColumn<QByteArray>("afterContinue"); // sent once "100 Continue" has come
        QTest::addColumn<bool>("halfClose"); // the client ends its stream after sending
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("closed"); // else a request after them is served on it

        const QByteArray me = "GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        const QByteArray signIn = "{\"username\":\"nobody\",\"password\":\"wrong-password\"}";
        const QByteArray login = "POST /api/auth/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + QByteArray::number(signIn.size()) + "\r\n";
        const QByteArray login10 = "POST /api/auth/login HTTP/1.0\r\nContent-Length: " + QByteArray::number(signIn.size()) + "\r\n";
        const QByteArray list = "GET /api/trpc/conversations.list HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer TOKEN\r\n";
        const QByteArray upgrade = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n";
        const QByteArray key = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
        const QByteArray bigUpload = "POST /api/trpc/upload.complete HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 62914560\r\nExpect: 100-continue\r\n";

        QTest::newRow("kept by default") << me + "\r\n" << QByteArray() << false << QStringList({ u"401"_s }) << false;
        QTest::newRow("Connection: close") << me + "Connection: close\r\n\r\n" << QByteArray() << false << QStringList { u"401 close"_s } << true;
        QTest::newRow("close among other options") << me + "Connection: TE, Close\r\nTE: trailers\r\n\r\n" << QByteArray() << false
                                                   << QStringList { u"401 close"_s } << true;
        QTest::newRow("empty lines before a request") << "\r\n\r\n\r\n" + me + "\r\n" << QByteArray() << false << QStringList({ u"401"_s }) << false;
        QTest::newRow("refused after one served") << me + "\r\n" + "GET /api/auth/me HTTP/1.1\r\n\r\n" << QByteArray() << false
                                                  << QStringList({ u"401"_s, u"400 close"_s }) << true;
        QTest::newRow("nothing read after close") << me + "Connection: close\r\n\r\n" + me + "\r\n" << QByteArray() << false
                                                  << QStringList { u"401 close"_s } << true;
        QTest::newRow("HTTP/1.0") << QByteArray("GET /api/auth/me HTTP/1.0\r\n\r\n") << QByteArray() << false << QStringList { u"401 close"_s } << true;
        QTest::newRow("HTTP/1.0 with a body") << login10 + "\r\n" + signIn << QByteArray() << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("HTTP/1.0 keep-alive") << QByteArray("GET /api/auth/me HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << QByteArray() << false
                                             << QStringList({ u"401 keep-alive"_s }) << false;
        QTest::newRow("HEAD, then another") << "HEAD /api/trpc/conversations.list HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" + me + "\r\n" << QByteArray()
                                            << false << QStringList({ u"405 head only"_s, u"401"_s }) << false;
        QTest::newRow("HEAD refused") << QByteArray("HEAD /api/auth/me HTTP/1.1\r\n\r\n") << QByteArray() << false
                                      << QStringList { u"400 close head only"_s } << true;
        QTest::newRow("half-closed after a read") << me + "\r\n" << QByteArray() << true << QStringList { u"401"_s } << true;
        QTest::newRow("half-closed after a sign-in") << login + "\r\n" + signIn << QByteArray() << true << QStringList { u"400"_s } << true;
        QTest::newRow("half-closed after a procedure") << list + "\r\n" << QByteArray() << true << QStringList { u"200"_s } << true;
        QTest::newRow("half-closed after two") << login + "\r\n" + signIn + me + "\r\n" << QByteArray() << true
                                               << QStringList { u"400"_s, u"401"_s } << true;
        QTest::newRow("half-closed inside a head") << QByteArray("GET /api/auth/me HTTP/1.1\r\nHost: 127") << QByteArray() << true << QStringList {}
                                                   << true;
        QTest::newRow("half-closed inside a body") << login + "\r\n" + signIn.left(10) << QByteArray() << true << QStringList {} << true;
        QTest::newRow("Expect: 100-continue") << login + "Expect: 100-continue\r\n\r\n" << signIn << false << QStringList({ u"100"_s, u"400"_s }) << false;
        QTest::newRow("Expect, refused at once") << bigUpload + "\r\n" << QByteArray() << false << QStringList { u"401 close"_s } << true;
        QTest::newRow("Expect from HTTP/1.0") << login10 + "Expect: 100-continue\r\n\r\n" + signIn << QByteArray() << false
                                              << QStringList { u"400 close"_s } << true;
        QTest::newRow("no Host") << QByteArray("GET /api/auth/me HTTP/1.1\r\n\r\n") << QByteArray() << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("two Hosts") << me + "Host: 127.0.0.1\r\n\r\n" << QByteArray() << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("no Host in HTTP/1.0") << QByteArray("GET /api/auth/me HTTP/1.0\r\n\r\n") << QByteArray() << false
                                             << QStringList { u"401 close"_s } << true;
        // Read as chunked, it would be served (401).
        QTest::newRow("chunked in HTTP/1.0") << QByteArray("GET /api/auth/me HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n") << QByteArray()
                                             << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("upgrade without a key") << upgrade + "\r\n" << QByteArray() << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("upgrade by POST") << "POST" + upgrade.mid(3) + key + "\r\n" << QByteArray() << false << QStringList { u"400 close"_s } << true;
        QTest::newRow("upgrade of another version") << QByteArray(upgrade).replace("Version: 13", "Version: 8") + key + "\r\n" << QByteArray() << false
                                                    << QStringList { u"400 close"_s } << true;
    }
    void connections()
    {
        QFETCH(QByteArray, requests);
        QFETCH(QByteArray, afterContinue);
        QFETCH(bool, halfClose);
        QFETCH(QStringList, answers);
        QFETCH(bool, closed);
        const auto log = qScopeGuard([this] {
            if (QTest::currentTestFailed())
                qWarning().noquote() << "the server's log:" << m_server.serverLog().right(2000);
        });
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(socket.waitForConnected(testsupport::kPatienceMs));
        socket.write(QByteArray(requests).replace("TOKEN", m_alice->token.toLatin1()));
        QByteArray received;
        const QDeadlineTimer patience(testsupport::kPatienceMs);
        const auto readUntil = [&](const std::function<bool()>& done) {
            while (!done() && socket.state() == QAbstractSocket::ConnectedState && !patience.hasExpired()) {
                socket.waitForReadyRead(200);
                received += socket.readAll();
            }
            received += socket.readAll();
        };
        if (!afterContinue.isEmpty()) {
            readUntil([&] { return received.contains(kContinue); });
            QCOMPARE(received, kContinue);
            socket.write(afterContinue);
        }
        if (halfClose) {
            QVERIFY(socket.waitForBytesWritten(testsupport::kPatienceMs) || socket.bytesToWrite() == 0);
            ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
        }
        QByteArray rest;
        // An interim answer is no answer of its own: it is counted with the next.
        const qsizetype expected = answers.size();
        if (closed)
            readUntil([] { return false; });
        else
            readUntil([&] { return answersIn(received, false, &rest).size() >= expected; });
        QCOMPARE(answersIn(received, closed, &rest), answers);
        QCOMPARE(rest, QByteArray());
        if (closed) {
            QVERIFY2(socket.state() != QAbstractSocket::ConnectedState, "the connection stays open");
        } else {
            // Still open and served: one more request on it is answered.
            received.clear();
            socket.write("GET /api/auth/me HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            readUntil([&] { return !answersIn(received, false, &rest).isEmpty(); });
            QCOMPARE(answersIn(received, false, &rest), QStringList { u"401"_s });
        }
    }

    // A socket is never read after it was aborted: Qt says so in the log when it is.
    void cleanupTestCase()
    {
        const QByteArray log = m_server.serverLog();
        QVERIFY2(!log.contains("device not open"), log.right(2000).constData());
    }
};

QTEST_GUILESS_MAIN(TestServerConnections)
#include "tst_server_connections.moc"
