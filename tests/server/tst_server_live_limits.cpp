// End to end: what the live channel holds against a misbehaving or stale client. A
// clientMsgId reused elsewhere is refused, sockets close when their token expires or
// when they leave megabytes unread, and sends written together are answered one by one.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// One masked client text frame (RFC 6455); a zero mask leaves the bytes as they are.
QByteArray clientFrame(const QByteArray& text)
{
    QByteArray frame("\x81", 1);
    if (text.size() < 126) {
        frame.append(char(0x80 | text.size()));
    } else {
        frame.append(char(0x80 | 126));
        frame.append(char((text.size() >> 8) & 0xff));
        frame.append(char(text.size() & 0xff));
    }
    frame.append(QByteArray(4, '\0'));
    return frame + text;
}

} // namespace

class TestServerLiveLimits : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    int m_users = 0;

    std::unique_ptr<ApiClient> newUser(ServerProcess& server)
    {
        auto user = std::make_unique<ApiClient>(server.baseUrl());
        user->registerUser(u"live%1"_s.arg(++m_users));
        return user;
    }

    static std::unique_ptr<LiveClient> live(const ServerProcess& server, ApiClient& user)
    {
        auto client = std::make_unique<LiveClient>(server.wsUrl());
        return client->authenticate(user.token, user.userId()) ? std::move(client) : nullptr;
    }

    static qint64 openPrivate(ApiClient& user, qint64 with)
    {
        return user.mutation(u"conversations.create"_s, QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { with } } })
            .data()["conversationId"_L1]
            .toInteger();
    }

    static QJsonObject text(qint64 conversationId, const QString& clientMsgId, const QString& content = u"hello"_s)
    {
        return { { u"clientMsgId"_s, clientMsgId }, { u"conversationId"_s, conversationId }, { u"type"_s, u"text"_s }, { u"content"_s, content } };
    }

    static int messageCount(ApiClient& user, qint64 conversationId)
    {
        return int(user.query(u"messages.list"_s, QJsonObject { { u"conversationId"_s, conversationId }, { u"limit"_s, 200 }, { u"offset"_s, 0 } })
                       .data()
                       .toArray()
                       .size());
    }

    QString serverLogEnd() { return u"the server's log ends: "_s + QString::fromUtf8(m_server.serverLog().right(1500)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    void reusedClientMsgId_data()
    {
        QTest::addColumn<bool>("sameConversation");
        QTest::newRow("repeated in its conversation: the first message's ack") << true;
        QTest::newRow("reused in another conversation: an error") << false;
    }

    void reusedClientMsgId()
    {
        QFETCH(bool, sameConversation);
        auto sender = newUser(m_server);
        auto first = newUser(m_server);
        auto second = newUser(m_server);
        const qint64 a = openPrivate(*sender, first->userId());
        const qint64 b = openPrivate(*sender, second->userId());
        auto socket = live(m_server, *sender);
        QVERIFY(socket && a > 0 && b > 0);

        socket->sendFrame(u"message_send"_s, text(a, u"same-id"_s));
        const auto ack = socket->waitFor(u"message_ack"_s);
        QVERIFY(ack);
        socket->sendFrame(u"message_send"_s, text(sameConversation ? a : b, u"same-id"_s, u"another text"_s));
        if (sameConversation) {
            const auto repeat = socket->waitFor(u"message_ack"_s);
            QVERIFY(repeat);
            QVERIFY((*repeat)["isDuplicate"_L1].toBool());
            QCOMPARE((*repeat)["messageId"_L1], (*ack)["messageId"_L1]);
        } else {
            const auto error = socket->waitFor(u"error"_s);
            QVERIFY(error);
            QCOMPARE((*error)["clientMsgId"_L1].toString(), u"same-id"_s);
            QVERIFY(!(*error)["reason"_L1].toString().isEmpty());
            QVERIFY(socket->staysQuiet(u"message_ack"_s));
        }
        QCOMPARE(messageCount(*sender, a), 1);
        QCOMPARE(messageCount(*sender, b), 0);
    }

    // Pipelined sends are written together; a refused one in between takes none of the
    // others with it, and each gets its own answer in the order sent.
    void pipelinedSendsAnsweredInOrder()
    {
        auto sender = newUser(m_server);
        auto receiver = newUser(m_server);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto socket = live(m_server, *sender);
        auto receiverSocket = live(m_server, *receiver);
        QVERIFY(socket && receiverSocket);
        constexpr int kSends = 40;
        constexpr int kRefused = 17;
        for (int i = 0; i < kSends; ++i) {
            QJsonObject frame = text(conversation, u"p-%1"_s.arg(i), u"text %1"_s.arg(i));
            if (i == kRefused)
                frame.insert(u"type"_s, u"no-such-type"_s);
            socket->sendFrame(u"message_send"_s, frame);
        }
        qint64 lastId = 0;
        for (int i = 0; i < kSends; ++i) {
            if (i == kRefused)
                continue;
            const auto ack = socket->waitFor(u"message_ack"_s);
            QVERIFY(ack);
            QCOMPARE((*ack)["clientMsgId"_L1].toString(), u"p-%1"_s.arg(i));
            QVERIFY((*ack)["messageId"_L1].toInteger() > lastId);
            lastId = (*ack)["messageId"_L1].toInteger();
            const auto delivered = receiverSocket->waitFor(u"message_deliver"_s);
            QVERIFY(delivered);
            QCOMPARE((*delivered)["message"_L1]["id"_L1].toInteger(), lastId);
        }
        QCOMPARE(socket->waitFor(u"error"_s).value_or(QJsonObject())["clientMsgId"_L1].toString(), u"p-%1"_s.arg(kRefused));
        QCOMPARE(messageCount(*receiver, conversation), kSends - 1);
    }

    // One client's burst, handled in slices, is answered whole, and another client is
    // answered meanwhile.
    void aBurstIsAnsweredWhole()
    {
        auto sender = newUser(m_server);
        auto receiver = newUser(m_server);
        auto bystander = newUser(m_server);
        const qint64 conversation = openPrivate(*sender, receiver->userId());
        auto burst = live(m_server, *sender);
        auto other = live(m_server, *bystander);
        QVERIFY(burst && other);
        constexpr int kSends = 3000;
        for (int i = 0; i < kSends; ++i)
            burst->sendFrame(u"message_send"_s, text(conversation, u"b-%1"_s.arg(i)));
        other->sendFrame(u"ping"_s, {});
        QVERIFY(other->waitFor(u"pong"_s));
        for (int i = 0; i < kSends; ++i)
            QCOMPARE(burst->waitFor(u"message_ack"_s).value_or(QJsonObject())["clientMsgId"_L1].toString(), u"b-%1"_s.arg(i));
    }

    void socketClosesWhenTokenExpires()
    {
        ServerProcess::Options options;
        options.tokenTtl = 2;
        ServerProcess shortLived(options);
        QVERIFY2(shortLived.start(), qPrintable(shortLived.errorString()));
        auto user = newUser(shortLived);
        auto socket = live(shortLived, *user);
        QVERIFY(socket);
        QVERIFY(socket->waitForClose());
        QCOMPARE(socket->closeCode(), 1008);
    }

    // A peer that stops reading while deliveries pile up is cut off instead of making
    // the server hold them all; one that keeps reading gets every byte.
    void unreadSocketIsClosed_data()
    {
        QTest::addColumn<bool>("stalls");
        QTest::newRow("reader stalls") << true;
        QTest::newRow("reader keeps up") << false;
    }

    void unreadSocketIsClosed()
    {
        QFETCH(bool, stalls);
        auto sender = newUser(m_server);
        auto stalled = newUser(m_server);
        QVERIFY2(sender->userId() > 0 && stalled->userId() > 0, qPrintable(serverLogEnd()));
        const qint64 conversation = openPrivate(*sender, stalled->userId());
        QVERIFY2(conversation > 0, qPrintable(serverLogEnd()));
        auto senderSocket = live(m_server, *sender);
        QVERIFY2(senderSocket, qPrintable(serverLogEnd()));

        QTcpSocket raw;
        raw.connectToHost(u"127.0.0.1"_s, m_server.port());
        QVERIFY(raw.waitForConnected(testsupport::kPatienceMs));
        raw.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
        QByteArray received;
        for (const QDeadlineTimer deadline(testsupport::kPatienceMs); !received.contains("\r\n\r\n") && !deadline.hasExpired();) {
            if (raw.waitForReadyRead(200))
                received += raw.readAll();
        }
        QVERIFY2(received.startsWith("HTTP/1.1 101"), received.constData());
        const QJsonObject auth { { u"type"_s, u"auth"_s },
            { u"payload"_s, QJsonObject { { u"token"_s, stalled->token }, { u"userId"_s, stalled->userId() } } } };
        raw.write(clientFrame(QJsonDocument(auth).toJson(QJsonDocument::Compact)));
        for (const QDeadlineTimer deadline(testsupport::kPatienceMs); !received.contains("auth_success") && !deadline.hasExpired();) {
            if (raw.waitForReadyRead(200))
                received += raw.readAll();
        }
        QVERIFY2(received.contains("auth_success"), received.constData());
        // From here a stalled client takes at most 64 KiB off the wire and never reads it.
        if (stalls)
            raw.setReadBufferSize(64 * 1024);

        // 500 deliveries of about 60 KB: far more than the socket buffers of both ends.
        // One at a time, so that a reader keeping up is never far behind.
        const QString content(20000, QChar(0x4E2D));
        constexpr int kSends = 500;
        for (int i = 0; i < kSends; ++i) {
            senderSocket->sendFrame(u"message_send"_s, text(conversation, u"big-%1"_s.arg(i), content));
            QVERIFY2(senderSocket->waitFor(u"message_ack"_s),
                qPrintable(u"send %1 was not acknowledged; %2"_s.arg(i).arg(serverLogEnd())));
        }

        // Reading everything now ends in the server's reset for the stalled client, and
        // in every delivery for the other.
        raw.setReadBufferSize(0);
        qint64 total = 0;
        constexpr qint64 kAllDeliveries = qint64(kSends) * 60000;
        const QDeadlineTimer deadline(testsupport::kPatienceMs);
        while (raw.state() == QAbstractSocket::ConnectedState && total < kAllDeliveries && !deadline.hasExpired()) {
            raw.waitForReadyRead(500);
            total += raw.readAll().size();
        }
        QCOMPARE(raw.state() == QAbstractSocket::ConnectedState, !stalls);
        QCOMPARE(total >= kAllDeliveries, !stalls);
        // The sender is not affected.
        senderSocket->sendFrame(u"ping"_s, {});
        QVERIFY(senderSocket->waitFor(u"pong"_s));
    }
};

QTEST_GUILESS_MAIN(TestServerLiveLimits)
#include "tst_server_live_limits.moc"
